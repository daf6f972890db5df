// Walks a season folder of 10,000 episode files through GetFirstFile / GetNextFile and
// compares it with a plain std::filesystem listing of the same folder.
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_options.h"
#include "importer/files/listing.h"
#include "ratio.h"

namespace fs = std::filesystem;

namespace {

fs::path MakeSeasonFolder(int files) {
    fs::path folder =
        fs::temp_directory_path() / ("vexo-listing-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (int i = 1; i <= files; ++i) {
        std::ofstream(folder / (std::to_string(i) + " Episode.mp4"));
    }
    return folder;
}

}  // namespace

int main(int argc, char** argv) {
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        argc, argv,
        "Lists a season folder through GetFirstFile / GetNextFile, against std::filesystem.");
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    const int files = vexo::bench::Sized(parsed.options, 10'000, 20);
    const int runs = vexo::bench::Sized(parsed.options, 15, 1);
    const fs::path folder = MakeSeasonFolder(files);
    std::size_t seen = 0;

    const double reference = vexo::bench::MedianSeconds(runs, [&] {
        for (const auto& entry : fs::directory_iterator(folder)) {
            seen += entry.is_directory() ? 0 : entry.path().filename().native().size();
        }
    });
    const double listing = vexo::bench::MedianSeconds(runs, [&] {
        basFiles::ListingHandle handle = 0;
        std::string name;
        for (bool found = basFiles::GetFirstFile(folder.string(), handle, name); found;
             found = basFiles::GetNextFile(handle, name)) {
            seen += name.size();
        }
    });

    std::printf("%d files, median of %d runs (checksum %zu)\n", files, runs, seen);
    vexo::bench::PrintRatio("std::filesystem::directory_iterator", reference, "reference",
                            reference);
    vexo::bench::PrintRatio("GetFirstFile / GetNextFile", listing, "of the reference", reference);
    fs::remove_all(folder);
    return 0;
}
