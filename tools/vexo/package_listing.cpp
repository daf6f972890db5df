#include "tools/vexo/package_listing.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/file_byte_source.h"
#include "packager/format/check_value.h"
#include "packager/format/entry_header.h"
#include "packager/format/entry_name.h"
#include "packager/format/locate_payload.h"
#include "packager/format/payload_reader.h"
#include "tools/packagewriter/package_writer.h"
#include "tools/vexo/crc_command.h"
#include "tools/vexo/printable.h"

namespace vexo::cli {
namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

enum class DataState { Ok, Mismatch, Incomplete };

struct Row {
    std::string name;  // printable
    std::uint32_t size = 0;
    std::uint32_t checkValue = 0;
    DataState state = DataState::Ok;
};

const char* FormatName(packager::format::StubFormat format) {
    switch (format) {
        case packager::format::StubFormat::Pe:
            return "Windows (PE)";
        case packager::format::StubFormat::Elf:
            return "ELF";
        case packager::format::StubFormat::Unknown:
            break;
    }
    return "unknown";
}

// Why a stored name would make VEXOSetup refuse the package; empty for a plain file name.
std::string NameFaultText(const packager::format::EntryHeader& header) {
    const std::optional<std::string_view> name = header.Name();
    if (!name) {
        return "its 260-byte name field holds no terminating NUL";
    }
    switch (packager::format::CheckPlainFileName(*name)) {
        case packager::format::NameFault::None:
            return {};
        case packager::format::NameFault::Empty:
            return "its name is empty";
        case packager::format::NameFault::TooLong:
            return "its name is longer than 259 bytes";
        case packager::format::NameFault::HoldsNul:
            return "its name holds a NUL";
        case packager::format::NameFault::FolderPart:
            return "its name has a folder part (\"\\\" or \"/\")";
        case packager::format::NameFault::Drive:
            return "its name holds \":\"";
        case packager::format::NameFault::Dots:
            return "its name holds \"..\" or is \".\"";
        case packager::format::NameFault::Device:
            return "its name is a Windows device name";
        case packager::format::NameFault::TrailingDotOrBlank:
            return "its name ends in a dot or a blank";
    }
    return "its name is not a plain file name";
}

std::string ShownName(const packager::format::EntryHeader& header) {
    const std::optional<std::string_view> name = header.Name();
    return Printable(name.value_or(std::string_view(header.name.data(), header.name.size())));
}

std::string Plural(std::uint64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

class Lister {
  public:
    Lister(std::string_view path, std::ostream& out, std::ostream& err)
        : path_(Printable(path)), out_(out), err_(err) {}

    bool Run(std::string_view path) {
        std::string error;
        source_ = common::FileByteSource::Open(path, &error);
        if (source_ == nullptr) {
            return Fault(path_ + ": cannot be read: " + error);
        }
        const packager::format::PayloadLocation location =
            packager::format::LocatePayload(*source_, {});
        if (location.result != packager::format::LocateResult::Located) {
            return Fault(path_ + ": not a package: " +
                         (location.format == packager::format::StubFormat::Unknown
                              ? std::string("neither a Windows (MZ) nor an ELF executable")
                              : std::string("its ") + FormatName(location.format) +
                                    " headers are cut short or damaged"));
        }
        packager::format::PayloadReader reader(*source_, location.offset);
        const std::optional<std::uint32_t> count = reader.ReadEntryCount();
        if (!count) {
            return Fault(path_ + ": " + MissingCountText(location.offset));
        }
        out_ << path_ << ": " << FormatName(location.format) << " stub of " << location.offset
             << " bytes, " << Plural(*count, "entry", "entries") << '\n';

        position_ = location.offset + packager::format::kEntryCountBytes;
        bool complete = true;
        for (std::uint64_t index = 1; index <= *count && complete; ++index) {
            complete = ListEntry(reader, index, *count);
        }
        PrintRows();
        if (complete) {
            PrintNotes();
        }
        // The faults follow the table they refer to, also when both streams share a terminal.
        out_.flush();
        for (const std::string& fault : faults_) {
            Fault(fault);
        }
        PrintSummary(*count, complete);
        return complete && mismatches_ == 0 && badNames_ == 0;
    }

  private:
    std::string MissingCountText(std::uint64_t payloadOffset) const {
        const std::uint64_t size = source_->Size();
        if (payloadOffset > size) {
            return "incomplete: the stub's image ends at offset " + std::to_string(payloadOffset) +
                   ", beyond the file's " + std::to_string(size) + " bytes";
        }
        if (payloadOffset == size) {
            return "not a package: nothing follows the stub's image (" + std::to_string(size) +
                   " bytes)";
        }
        return "incomplete: the file ends inside the entry count at offset " +
               std::to_string(payloadOffset);
    }

    std::string EntryLabel(std::uint64_t index, std::uint32_t count) const {
        return path_ + ": entry " + std::to_string(index) + " of " + std::to_string(count);
    }

    // Where the file ends within a part that begins at offset start.
    std::string EndsInside(std::uint64_t start, const std::string& part) const {
        const std::uint64_t available = source_->Size() - std::min(start, source_->Size());
        if (available == 0) {
            return "the file ends before its " + part;
        }
        return "the file ends " + Plural(available, "byte", "bytes") + " into its " + part;
    }

    // False when the package ends inside the entry, which ends the listing.
    bool ListEntry(packager::format::PayloadReader& reader, std::uint64_t index,
                   std::uint32_t count) {
        const std::uint64_t headerAt = position_;
        const std::optional<packager::format::EntryHeader> header = reader.ReadEntryHeader();
        if (!header) {
            faults_.push_back(
                EntryLabel(index, count) + ": " +
                EndsInside(headerAt, std::to_string(packager::format::kEntryHeaderBytes) +
                                         "-byte header at offset " + std::to_string(headerAt)));
            return false;
        }
        position_ += packager::format::kEntryHeaderBytes;
        Row row{ShownName(*header), header->size, header->checkValue, DataState::Ok};
        const std::string label = EntryLabel(index, count) + " (\"" + row.name + "\")";
        if (const std::string fault = NameFaultText(*header); !fault.empty()) {
            faults_.push_back(label + ": " + fault);
            ++badNames_;
        }

        const std::uint64_t dataAt = position_;
        position_ += header->size;
        const std::optional<std::uint32_t> computed = DataCheckValue(reader);
        if (!computed) {
            row.state = DataState::Incomplete;
            rows_.push_back(row);
            faults_.push_back(label + ": " +
                              EndsInside(dataAt, std::to_string(header->size) + " data bytes"));
            return false;
        }
        ++entriesRead_;
        dataBytes_ += header->size;
        if (*computed != header->checkValue) {
            row.state = DataState::Mismatch;
            ++mismatches_;
            faults_.push_back(label + ": its data gives the check value " +
                              HexCheckValue(*computed) + ", its header holds " +
                              HexCheckValue(header->checkValue));
        }
        hasSetup_ = hasSetup_ || header->Name() == packagewriter::kSetupEntryName;
        rows_.push_back(row);
        return true;
    }

    // The current entry's data check value; std::nullopt when the file ends before its end.
    std::optional<std::uint32_t> DataCheckValue(packager::format::PayloadReader& reader) {
        if (position_ > source_->Size()) {
            return std::nullopt;  // known without reading up to 4 GiB first
        }
        std::vector<std::uint8_t> block(kBlockBytes);
        packager::format::CheckValue check;
        while (reader.RemainingEntryBytes() > 0) {
            const std::span<std::uint8_t> bytes(
                block.data(), std::min<std::size_t>(reader.RemainingEntryBytes(), block.size()));
            if (!reader.ReadEntryData(bytes)) {
                return std::nullopt;
            }
            check.Update(bytes);
        }
        return check.Finish();
    }

    void PrintRows() {
        std::size_t width = 4;
        for (const Row& row : rows_) {
            width = std::max(width, row.name.size());
        }
        for (const Row& row : rows_) {
            out_ << std::left << std::setw(static_cast<int>(width)) << row.name << std::right
                 << "  " << std::setw(10) << row.size << "  " << HexCheckValue(row.checkValue)
                 << "  "
                 << (row.state == DataState::Ok         ? "ok"
                     : row.state == DataState::Mismatch ? "MISMATCH"
                                                        : "INCOMPLETE")
                 << '\n';
        }
    }

    void PrintNotes() {
        if (position_ < source_->Size()) {
            out_ << "note: " << Plural(source_->Size() - position_, "byte follows", "bytes follow")
                 << " the last entry; VEXOSetup ignores them\n";
        }
        if (!hasSetup_) {
            out_ << "note: no entry is named \"setup.exe\": VEXOSetup would extract the "
                    "package and then fail to start the setup program\n";
        }
    }

    void PrintSummary(std::uint32_t count, bool complete) {
        if (!complete) {
            out_ << entriesRead_ << " of " << Plural(count, "entry", "entries")
                 << " complete: the package is incomplete\n";
            return;
        }
        out_ << Plural(count, "entry", "entries") << ", " << dataBytes_ << " data bytes: ";
        if (mismatches_ == 0 && badNames_ == 0) {
            out_ << "every check value matches\n";
            return;
        }
        out_ << "the package is corrupt (";
        if (mismatches_ > 0) {
            out_ << Plural(mismatches_, "check value mismatch", "check value mismatches")
                 << (badNames_ > 0 ? ", " : "");
        }
        if (badNames_ > 0) {
            out_ << Plural(badNames_, "bad name", "bad names");
        }
        out_ << ")\n";
    }

    bool Fault(const std::string& text) {
        err_ << "vexo package: " << text << '\n';
        return false;
    }

    std::string path_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<common::FileByteSource> source_;
    std::uint64_t position_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::vector<Row> rows_;
    std::vector<std::string> faults_;  // of the entries, told after the table
    std::uint32_t entriesRead_ = 0;
    std::uint32_t mismatches_ = 0;
    std::uint32_t badNames_ = 0;
    bool hasSetup_ = false;
};

}  // namespace

bool ListPackage(std::string_view path, std::ostream& out, std::ostream& err) {
    return Lister(path, out, err).Run(path);
}

}  // namespace vexo::cli
