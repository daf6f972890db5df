// Walks a season folder of 10,000 episode files through GetFirstFile / GetNextFile and
// compares it with a plain std::filesystem listing of the same folder.
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "importer/files/listing.h"
#include "ratio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 10'000;
constexpr int kRuns = 15;

fs::path MakeSeasonFolder() {
    fs::path folder =
        fs::temp_directory_path() / ("vexo-listing-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (int i = 1; i <= kFiles; ++i) {
        std::ofstream(folder / (std::to_string(i) + " Episode.mp4"));
    }
    return folder;
}

}  // namespace

int main() {
    const fs::path folder = MakeSeasonFolder();
    std::size_t seen = 0;

    const double reference = vexo::bench::MedianSeconds(kRuns, [&] {
        for (const auto& entry : fs::directory_iterator(folder)) {
            seen += entry.is_directory() ? 0 : entry.path().filename().native().size();
        }
    });
    const double listing = vexo::bench::MedianSeconds(kRuns, [&] {
        basFiles::ListingHandle handle = 0;
        std::string name;
        for (bool found = basFiles::GetFirstFile(folder.string(), handle, name); found;
             found = basFiles::GetNextFile(handle, name)) {
            seen += name.size();
        }
    });

    std::printf("%d files, median of %d runs (checksum %zu)\n", kFiles, kRuns, seen);
    vexo::bench::PrintRatio("std::filesystem::directory_iterator", reference, "reference",
                            reference);
    vexo::bench::PrintRatio("GetFirstFile / GetNextFile", listing, "of the reference", reference);
    fs::remove_all(folder);
    return 0;
}
