#include "tools/packagewriter/package_writer.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>

#include "common/byte_order.h"
#include "packager/format/check_value.h"
#include "packager/format/entry_name.h"

namespace packagewriter {

using namespace packager::format;

namespace {

constexpr std::size_t kCopyBlock = 64 * 1024;

WriteOutcome Refuse(std::string message) {
    return {false, std::move(message)};
}

WriteOutcome Accept() {
    return {true, {}};
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
}

// The writer's extra demands on a PE stub, beyond what locating needs; std::nullopt when met.
std::optional<std::string> PeStubFault(std::span<const std::uint8_t> stub) {
    constexpr std::size_t kNewHeaderField = 0x3C;
    constexpr std::size_t kNtHeadersBytes = 248;
    constexpr std::uint16_t kOptionalHeaderBytes = 224;
    if (stub.size() < kNewHeaderField + 4) {
        return "the stub's DOS header is cut short";
    }
    const std::uint32_t peHeader = common::LoadLe32(&stub[kNewHeaderField]);
    if (peHeader >= 65536) {
        return "the stub's PE header lies at offset " + std::to_string(peHeader) +
               "; it must lie below 65,536";
    }
    if (stub.size() < peHeader + kNtHeadersBytes) {
        return "the stub's PE headers are cut short";
    }
    const std::uint8_t* nt = &stub[peHeader];
    if (!std::equal(nt, nt + 4, "PE\0\0")) {
        return "the stub has no PE signature at offset " + std::to_string(peHeader);
    }
    if (common::LoadLe16(nt + 6) == 0) {
        return std::string("the stub has no sections");
    }
    const std::uint16_t optionalBytes = common::LoadLe16(nt + 20);
    if (optionalBytes != kOptionalHeaderBytes) {
        return "the stub's optional header is " + std::to_string(optionalBytes) +
               " bytes; it must be the 224 bytes of a 32-bit image";
    }
    return std::nullopt;
}

std::optional<std::string> ElfStubFault(std::span<const std::uint8_t> stub) {
    constexpr std::uint8_t kMagic[] = {0x7F, 'E', 'L', 'F'};
    if (stub.size() < 6 || !std::equal(std::begin(kMagic), std::end(kMagic), stub.begin()) ||
        (stub[4] != 1 && stub[4] != 2) || stub[5] != 1) {
        return std::string("the stub is not a little-endian 32- or 64-bit ELF file");
    }
    return std::nullopt;
}

std::string NameFaultMessage(std::string_view name, NameFault fault) {
    switch (fault) {
        case NameFault::None:
            break;
        case NameFault::Empty:
            return "an entry has an empty name";
        case NameFault::TooLong:
            return "the entry name " + Quoted(name.substr(0, 40)) + "... is " +
                   std::to_string(name.size()) + " bytes long; at most 259 are allowed";
        case NameFault::HoldsNul:
            return "the entry name " + Quoted(name.substr(0, name.find('\0'))) +
                   " holds a NUL character";
        case NameFault::FolderPart:
            return "the entry name " + Quoted(name) +
                   " has a folder part; only plain file names are allowed";
        case NameFault::Drive:
            return "the entry name " + Quoted(name) +
                   " holds \":\"; only plain file names are "
                   "allowed";
        case NameFault::Dots:
            return "the entry name " + Quoted(name) +
                   " holds \"..\" or is \".\"; only plain file "
                   "names are allowed";
        case NameFault::Device:
            return "the entry name " + Quoted(name) +
                   " is a Windows device name; Windows would not write it as a file";
        case NameFault::TrailingDotOrBlank:
            return "the entry name " + Quoted(name) +
                   " ends in a dot or a blank, which Windows strips from file names";
    }
    return {};
}

enum class BlockWalk { Done, Failed, Stopped };

// Reads the whole entry from offset 0 in blocks, handing each block to use; asks before every
// block whether to stop.
template <typename Use>
BlockWalk ForEachBlock(const PackageEntry& entry, std::vector<std::uint8_t>& buffer,
                       const PackageOptions& options, Use&& use) {
    for (std::uint64_t done = 0; done < entry.size;) {
        if (options.stopRequested && options.stopRequested()) {
            return BlockWalk::Stopped;
        }
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(entry.size - done, buffer.size()));
        const std::span<std::uint8_t> block(buffer.data(), n);
        if (!entry.data->ReadAt(done, block) || !use(std::span<const std::uint8_t>(block))) {
            return BlockWalk::Failed;
        }
        done += n;
    }
    return BlockWalk::Done;
}

WriteOutcome WriteEntry(const PackageEntry& entry, ByteSink& sink,
                        std::vector<std::uint8_t>& buffer, const PackageOptions& options) {
    const std::string cannotRead = "cannot read the entry " + Quoted(entry.name);
    CheckValue first;
    const BlockWalk firstPass =
        ForEachBlock(entry, buffer, options, [&](std::span<const std::uint8_t> block) {
            first.Update(block);
            return true;
        });
    if (firstPass != BlockWalk::Done) {
        return Refuse(firstPass == BlockWalk::Stopped ? "interrupted" : cannotRead);
    }

    EntryHeader header;
    std::copy(entry.name.begin(), entry.name.end(), header.name.begin());
    header.size = static_cast<std::uint32_t>(entry.size);
    header.checkValue = first.Finish();
    if (!sink.Write(EncodeEntryHeader(header))) {
        return Refuse("cannot write the package");
    }

    CheckValue second;
    bool written = true;
    const BlockWalk secondPass =
        ForEachBlock(entry, buffer, options, [&](std::span<const std::uint8_t> block) {
            second.Update(block);
            written = sink.Write(block);
            return written;
        });
    if (secondPass == BlockWalk::Stopped) {
        return Refuse("interrupted");
    }
    if (secondPass == BlockWalk::Failed) {
        return Refuse(written ? cannotRead : "cannot write the package");
    }
    if (second.Finish() != header.checkValue) {
        return Refuse("the entry " + Quoted(entry.name) + " changed while it was being packaged");
    }
    return Accept();
}

}  // namespace

bool VectorByteSink::Write(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
}

StubCheck CheckStub(std::span<const std::uint8_t> stub) {
    StubCheck check;
    common::MemoryByteSource source(stub);
    const PayloadLocation location = LocatePayload(source, {});
    check.format = location.format;

    std::optional<std::string> fault;
    if (location.format == StubFormat::Pe) {
        fault = PeStubFault(stub);
    } else if (location.format == StubFormat::Elf) {
        fault = ElfStubFault(stub);
    } else {
        fault = "the stub is neither a Windows (MZ) nor an ELF executable";
    }
    if (!fault && location.result != LocateResult::Located) {
        fault = "the stub's headers are cut short or damaged";
    }
    if (!fault && location.offset < stub.size()) {
        fault = std::to_string(stub.size() - location.offset) +
                " bytes follow the end of the stub's image at offset " +
                std::to_string(location.offset) +
                " (a certificate table or other appended data); the image must end the file";
    }
    if (!fault && location.offset > stub.size()) {
        fault = "the stub's image ends at offset " + std::to_string(location.offset) +
                ", beyond the end of its " + std::to_string(stub.size()) +
                " bytes: the file is cut short";
    }
    check.outcome = fault ? Refuse(*fault) : Accept();
    return check;
}

// NAME_MAX of the Linux file systems.
constexpr std::size_t kLinuxNameBytes = 255;

WriteOutcome CheckEntries(std::span<const PackageEntry> entries, const PackageOptions& options) {
    if (entries.size() > std::numeric_limits<std::uint32_t>::max()) {
        return Refuse("a package holds at most 4,294,967,295 entries");
    }
    bool hasSetup = false;
    for (const PackageEntry& entry : entries) {
        const NameFault fault = CheckPlainFileName(entry.name);
        if (fault != NameFault::None) {
            return Refuse(NameFaultMessage(entry.name, fault));
        }
        if (options.stubFormat == StubFormat::Elf && entry.name.size() > kLinuxNameBytes) {
            return Refuse("the entry name " + Quoted(entry.name.substr(0, 40)) + "... is " +
                          std::to_string(entry.name.size()) +
                          " bytes long; the Linux stub extracts it on file systems that take at "
                          "most " +
                          std::to_string(kLinuxNameBytes));
        }
        if (entry.data == nullptr) {
            return Refuse("the entry " + Quoted(entry.name) + " has no data source");
        }
        if (entry.size > std::numeric_limits<std::uint32_t>::max()) {
            return Refuse("the entry " + Quoted(entry.name) + " is " + std::to_string(entry.size) +
                          " bytes long; an entry holds at most 4,294,967,295");
        }
        hasSetup = hasSetup || entry.name == kSetupEntryName;
    }
    if (options.requireSetupEntry && !hasSetup) {
        return Refuse("the package has no entry named \"setup.exe\", the program it starts");
    }
    return Accept();
}

WriteOutcome WritePayload(std::span<const PackageEntry> entries, ByteSink& sink,
                          const PackageOptions& options) {
    if (WriteOutcome checked = CheckEntries(entries, options); !checked) {
        return checked;
    }
    std::array<std::uint8_t, kEntryCountBytes> count{};
    common::PutLe32(count.data(), static_cast<std::uint32_t>(entries.size()));
    if (!sink.Write(count)) {
        return Refuse("cannot write the package");
    }
    std::vector<std::uint8_t> buffer(kCopyBlock);
    for (const PackageEntry& entry : entries) {
        if (WriteOutcome written = WriteEntry(entry, sink, buffer, options); !written) {
            return written;
        }
    }
    return Accept();
}

WriteOutcome WritePackage(std::span<const std::uint8_t> stub, std::span<const PackageEntry> entries,
                          ByteSink& sink, const PackageOptions& options) {
    const StubCheck check = CheckStub(stub);
    if (!check.outcome) {
        return check.outcome;
    }
    PackageOptions forStub = options;
    forStub.stubFormat = check.format;
    if (WriteOutcome checked = CheckEntries(entries, forStub); !checked) {
        return checked;
    }
    if (!sink.Write(stub)) {
        return Refuse("cannot write the package");
    }
    return WritePayload(entries, sink, forStub);
}

}  // namespace packagewriter
