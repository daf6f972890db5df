// Writes the seed corpus of fuzz_package into the folder named by its argument: small packages
// on a PE stub and on 64- and 32-bit ELF stubs, written by the package writer, and the bare
// stubs.
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "importer/itunes/library/pe_image.h"
#include "tests/fuzz/seed_corpus.h"
#include "tests/packager/format/synthetic_stubs.h"
#include "tools/packagewriter/package_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Package(const Bytes& stub, bool withEntries) {
    const std::string setup = "#!/bin/sh\necho installed\n";
    const Bytes setupBytes(setup.begin(), setup.end());
    const Bytes list = {'[', 'S', 'e', 't', 'u', 'p', ']', '\n'};
    Bytes cabinet(3000);
    for (std::size_t i = 0; i < cabinet.size(); ++i) {
        cabinet[i] = static_cast<std::uint8_t>(i * 7);
    }
    common::MemoryByteSource cabinetSource(cabinet);
    common::MemoryByteSource setupSource(setupBytes);
    common::MemoryByteSource listSource(list);
    std::vector<packagewriter::PackageEntry> entries;
    if (withEntries) {
        entries = {{"Plumex.CAB", &cabinetSource, cabinet.size()},
                   {"setup.exe", &setupSource, setupBytes.size()},
                   {"SETUP.LST", &listSource, list.size()},
                   {"empty.txt", &listSource, 0}};
    }
    packagewriter::VectorByteSink sink;
    if (!packagewriter::WritePackage(stub, entries, sink, {.requireSetupEntry = withEntries})) {
        return {};
    }
    return sink.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
    const auto folder = vexo::fuzz::SeedFolder(argc, argv);
    if (!folder) {
        return 2;
    }
    using packager::format::testing_support::BuildElfStub;
    using packager::format::testing_support::BuildPeStub;
    using packager::format::testing_support::TypicalElf;

    const Bytes pe = BuildPeStub({});
    const Bytes pewriterPe = itunes::library::BuildPeImage({});
    const Bytes elf64 = BuildElfStub(TypicalElf(true));
    const Bytes elf32 = BuildElfStub(TypicalElf(false));
    const vexo::fuzz::Seeds seeds = {
        {"package_pe", Package(pe, true)},
        {"package_pewriter_pe", Package(pewriterPe, true)},
        {"package_elf64", Package(elf64, true)},
        {"package_elf32", Package(elf32, true)},
        {"empty_package_elf64", Package(elf64, false)},
        {"stub_pe", pe},
        {"stub_elf64", elf64},
    };
    for (const auto& [name, bytes] : seeds) {
        if (bytes.empty()) {
            return 1;
        }
    }
    return vexo::fuzz::WriteSeeds(*folder, seeds) ? 0 : 1;
}
