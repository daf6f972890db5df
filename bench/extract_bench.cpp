// Extracts a 256 MiB payload of four entries through VEXOSetup's worker on the real POSIX
// platform, and compares it with a plain copy of the same bytes under the same rules: 16 KiB
// blocks, each written and then flushed with fdatasync. The ratio shows what the check value,
// the cancel polls and the progress reports cost on top of the disk.
//
//   extract_bench [--quick] [FOLDER]   FOLDER holds the package and the extracted files ($TMPDIR
//                                      or /tmp when not given); it should be on the disk of
//                                      interest. --quick: entries of 64 KiB, one run.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_options.h"
#include "common/byte_order.h"
#include "common/byte_source.h"
#include "common/posix/unique_fd.h"
#include "packager/format/locate_payload.h"
#include "packager/package_worker.h"
#include "packager/posix/posix_platform.h"
#include "ratio.h"
#include "tools/packagewriter/package_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 4;

class FileSink final : public packagewriter::ByteSink {
  public:
    explicit FileSink(const fs::path& path) : out_(path, std::ios::binary) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        out_.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out_);
    }

  private:
    std::ofstream out_;
};

// The worker's own view of a window nobody looks at.
class NoWindow final : public packager::ProgressView {
  public:
    void SetStatus(std::string_view) override {}
    void SetProgress(std::uint32_t) override {}
    bool IsCancelled() override { return false; }
    void HideWindow() override {}
    void HideCancelButton() override {}
    void ShowMessage(const packager::MessageBoxSpec& box) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(box.caption.size()), box.caption.data());
    }
};

// The real platform, with its temporary folder in the benchmark's folder.
class BenchPlatform final : public packager::posix::PosixPlatform {
  public:
    explicit BenchPlatform(std::string folder) : folder_(std::move(folder)) {}
    bool TempFolder(packager::PathBuffer& folder) override { return folder.Assign(folder_); }

  private:
    std::string folder_;
};

bool MakePackage(const fs::path& path, std::size_t entryBytes) {
    std::vector<std::uint8_t> data(entryBytes);
    std::mt19937_64 random(20240613);
    for (std::size_t i = 0; i < data.size(); i += 8) {
        common::PutLe64(&data[i], random());
    }
    std::ifstream stubFile("/proc/self/exe", std::ios::binary);
    const std::vector<std::uint8_t> stub((std::istreambuf_iterator<char>(stubFile)),
                                         std::istreambuf_iterator<char>());
    std::vector<common::MemoryByteSource> sources(kEntries, common::MemoryByteSource(data));
    std::vector<packagewriter::PackageEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
        entries.push_back({i == 0 ? "setup.exe" : "part" + std::to_string(i) + ".cab",
                           &sources[static_cast<std::size_t>(i)], data.size()});
    }
    FileSink sink(path);
    const packagewriter::WriteOutcome written = packagewriter::WritePackage(stub, entries, sink);
    if (!written) {
        std::fprintf(stderr, "cannot make the package: %s\n", written.message.c_str());
    }
    return written.ok;
}

// The reference: the same bytes copied from the payload into four files, block by block.
bool PlainCopy(const fs::path& package, std::uint64_t payload, std::size_t entryBytes,
               const fs::path& folder) {
    const common::posix::UniqueFd in(::open(package.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.Valid() || ::lseek(in.Get(), static_cast<off_t>(payload + 4), SEEK_SET) < 0) {
        return false;
    }
    std::vector<std::uint8_t> block(packager::kExtractBlockBytes);
    bool ok = true;
    for (int entry = 0; entry < kEntries && ok; ++entry) {
        ok = ::lseek(in.Get(), packager::format::kEntryHeaderBytes, SEEK_CUR) >= 0;
        const std::string name = (folder / ("copy" + std::to_string(entry))).string();
        common::posix::UniqueFd out(
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        for (std::size_t done = 0; ok && out.Valid() && done < entryBytes; done += block.size()) {
            ok = ::read(in.Get(), block.data(), block.size()) ==
                     static_cast<ssize_t>(block.size()) &&
                 ::write(out.Get(), block.data(), block.size()) ==
                     static_cast<ssize_t>(block.size()) &&
                 ::fdatasync(out.Get()) == 0;
        }
        ok = ok && out.Valid() && out.Close();
    }
    return ok;
}

double Median(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        argc, argv, "Extracts a payload through VEXOSetup's worker, against a plain copy.", true);
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    const vexo::bench::BenchOptions& options = parsed.options;
    const std::size_t entryBytes = vexo::bench::Sized<std::size_t>(options, 64u << 20, 64u << 10);
    const int runs = vexo::bench::Sized(options, 5, 1);
    const fs::path base =
        options.folder.empty() ? fs::temp_directory_path() : fs::path(options.folder);
    const fs::path work = base / ("vexo-extract-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const fs::path packagePath = work / "package";
    if (!MakePackage(packagePath, entryBytes)) {
        return 1;
    }
    ::sync();

    BenchPlatform platform(work.string());
    NoWindow window;
    std::uint64_t payload = 0;
    const auto memory = std::make_unique_for_overwrite<packager::WorkerMemory>();
    {
        const packager::OpenedPackage file(platform, platform.OpenForReading(packagePath.c_str()));
        if (!file) {
            std::fprintf(stderr, "cannot open the package %s\n", packagePath.c_str());
            fs::remove_all(work);
            return 1;
        }
        payload = packager::format::LocatePayload(*file, {}).offset;
    }

    // Runs alternate between the two, and each starts on a settled disk (the files of the run
    // before removed and synced); only the extraction or copy is timed.
    bool ok = true;
    std::vector<double> copySeconds;
    std::vector<double> workerSeconds;
    for (int run = 0; run < runs; ++run) {
        const fs::path copies = work / "copies";
        fs::create_directory(copies);
        copySeconds.push_back(vexo::bench::MedianSeconds(
            1, [&] { ok = PlainCopy(packagePath, payload, entryBytes, copies) && ok; }));
        fs::remove_all(copies);
        ::sync();

        packager::OpenedPackage file(platform, platform.OpenForReading(packagePath.c_str()));
        const packager::format::PayloadLocation located =
            file ? packager::format::LocatePayload(*file, {}) : packager::format::PayloadLocation{};
        ok = located.result == packager::format::LocateResult::Located && ok;
        packager::Worker extraction(platform, window, *memory);
        workerSeconds.push_back(vexo::bench::MedianSeconds(
            1, [&] { ok = file && extraction.ExtractPayload(*file, located.offset) && ok; }));
        file.Close();
        if (!extraction.Folder().empty()) {
            extraction.RemoveTree(extraction.Folder());
        }
        ::sync();
    }
    const double reference = Median(copySeconds);
    const double worker = Median(workerSeconds);

    std::printf(
        "%d entries of %zu KiB, 16 KiB blocks with fdatasync each, median of %d runs, in %s\n",
        kEntries, entryBytes >> 10, runs, base.c_str());
    vexo::bench::PrintRatio("plain copy (read, write, fdatasync)", reference, "reference",
                            reference);
    vexo::bench::PrintRatio("worker: ExtractPayload", worker, "of the reference", reference);
    fs::remove_all(work);
    if (!ok) {
        std::fprintf(stderr, "an extraction or copy failed\n");
        return 1;
    }
    return 0;
}
