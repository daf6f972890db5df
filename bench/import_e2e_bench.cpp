// `vexo import` as a user runs it, against the same import done inside one process. Trees of
// real clips laid out as Show/Season N/NN Title.mp4 (hard links to one clip) are imported by the
// built vexo program into a fresh embedded library, installed with `vexo library install` into a
// temporary home folder, and by EpisodeImport::ImportShows in this process: the reference, with
// a window that sleeps while the library adds a file as Plumex's does, and for comparison one
// that polls the add, as bench/import_bench's does. Every figure is a ratio against another
// measured in the same run, N being the base size (1,000 episodes):
//
//   vexo import of N                      / in-process import of N            (goal: 1.3x)
//   vexo import of 5N                     / vexo import of N                  (goal: 5.25x)
//   vexo import of N into a library of 5N / vexo import of N into an empty one (goal: 1.10x)
//
// Each import must label all of its files, or the program fails, so that what is timed is the
// whole work.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bench_options.h"
#include "common/machine_prefix.h"
#include "import_trees.h"
#include "importer/itunes/itunes.h"
#include "importer/itunes/library/media_library.h"
#include "ratio.h"
#include "run_program.h"
#include "tools/testmedia/test_media.h"

namespace fs = std::filesystem;

namespace {

using vexo::bench::Count;
using vexo::bench::LabelledTracks;
using vexo::bench::MakeTree;
using vexo::bench::Median;
using vexo::bench::Seconds;

using Clock = std::chrono::steady_clock;

constexpr int kLargeFactor = 5;
constexpr int kRounds = 5;

// --episodes N and --vexo PROGRAM, taken out of the command line before the options every
// benchmark shares are read; the exit code when one of them is wrong.
struct OwnOptions {
    std::optional<int> episodes;
    std::string vexo = VEXO_BUILD_PROGRAM;
    std::vector<char*> rest;
    std::optional<int> exitCode;
};

OwnOptions TakeOwnOptions(int argc, char** argv) {
    OwnOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (i == 0 || (argument != "--episodes" && argument != "--vexo")) {
            options.rest.push_back(argv[i]);
            continue;
        }
        const std::string_view value = i + 1 < argc ? argv[++i] : "";
        if (argument == "--vexo") {
            options.vexo = std::string(value);
            continue;
        }
        int count = 0;
        const auto [stop, error] =
            std::from_chars(value.data(), value.data() + value.size(), count);
        if (error != std::errc() || stop != value.data() + value.size() || count < 1 ||
            count > 100'000) {
            std::fprintf(stderr, "import_e2e_bench: --episodes takes a number from 1 to 100000\n");
            options.exitCode = 2;
            return options;
        }
        options.episodes = count;
    }
    if (options.vexo.empty()) {
        std::fprintf(stderr, "import_e2e_bench: --vexo takes the path of the vexo program\n");
        options.exitCode = 2;
    }
    return options;
}

// --- vexo import, a process per run ------------------------------------------------------------

// A home folder of its own, with the machine prefix below it where a user's would be.
class Home {
  public:
    explicit Home(fs::path folder) : folder_(std::move(folder)) {}

    // Makes this the home of the programs started from now on (and of this one's look-ups).
    void Enter() const {
        ::unsetenv("VEXO_PREFIX");
        ::setenv("HOME", folder_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder_ / ".local" / "share").c_str(), 1);
    }
    const fs::path& Folder() const { return folder_; }

  private:
    fs::path folder_;
};

// Runs program with arguments, stdout into outFile and stderr into errFile; the exit status,
// or -1 when it could not be started or did not exit.
int Run(const std::vector<std::string>& arguments, const fs::path& outFile,
        const fs::path& errFile) {
    return vexo::bench::RunProgram(arguments, outFile.string(), errFile.string())
        .exitStatus.value_or(-1);
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Bench {
    std::string vexo;
    fs::path folder;
    bool complete = true;

    void Fail(const std::string& what) {
        std::fprintf(stderr, "import_e2e_bench: %s\n", what.c_str());
        complete = false;
    }

    bool Install(const Home& home) {
        home.Enter();
        const fs::path log = folder / "install.log";
        if (Run({vexo, "library", "install"}, folder / "install.out", log) != 0) {
            Fail("vexo library install failed: " + ReadText(log));
            return false;
        }
        return true;
    }

    // Seconds of `vexo import tree` in home's library, which then must hold `inLibrary`
    // labelled tracks. Its progress, a line per file on stderr, is thrown away: what a terminal
    // takes to show it is no part of the import.
    double VexoImport(const Home& home, const fs::path& tree, int count, int inLibrary) {
        home.Enter();
        const fs::path out = folder / "import.out";
        const auto start = Clock::now();
        const int status = Run({vexo, "import", tree.string()}, out, "/dev/null");
        const double seconds = Seconds(Clock::now() - start);
        const std::string report = ReadText(out);
        const int labelled = LabelledTracks(common::MediaLibraryPath());
        if (status != 0 || report != std::to_string(count) + " files added.\n" ||
            labelled != inLibrary) {
            Fail("vexo import of " + tree.filename().string() + " ended with " +
                 std::to_string(status) + ", reported \"" + report + "\", " +
                 std::to_string(labelled) + " of " + std::to_string(inLibrary) +
                 " tracks labelled");
        }
        return seconds;
    }

    // A home with the library installed, fresh.
    std::optional<Home> FreshHome(const std::string& name) {
        Home home(folder / name);
        if (!Install(home)) {
            return std::nullopt;
        }
        return home;
    }
};

// --- The in-process import ----------------------------------------------------------------------

// Seconds of the import of tree into a new library at database; the library is closed (its
// adds finished) within the time.
double InProcessImport(Bench& bench, const std::string& database, const fs::path& tree, int count,
                       bool sleeps) {
    vexo::bench::QuietView view(sleeps);
    const vexo::bench::InProcessImport run = vexo::bench::ImportInProcess(database, tree, view);
    if (!run.opened) {
        bench.Fail("the library at " + database + " cannot be opened");
        return 0;
    }
    if (run.filesAdded != count || view.report != std::to_string(count) + " files added." ||
        LabelledTracks(database) != count) {
        bench.Fail("the in-process import labelled " + std::to_string(run.filesAdded) + " of " +
                   std::to_string(count) + " files");
    }
    return run.seconds;
}

}  // namespace

int main(int argc, char** argv) {
    OwnOptions own = TakeOwnOptions(argc, argv);
    if (own.exitCode) {
        return *own.exitCode;
    }
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        static_cast<int>(own.rest.size()), own.rest.data(),
        "Times `vexo import` end to end (a process per import, a library installed in a\n"
        "temporary home folder) against the in-process import: N episodes, 5N, and N into a\n"
        "library of 5N.\n"
        "  --episodes N    the base size N (default 1000; --quick makes it 20)\n"
        "  --vexo PROGRAM  the vexo program to run (default: the one of this build)");
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    Bench bench;
    bench.vexo = own.vexo;
    const int base = own.episodes.value_or(vexo::bench::Sized(parsed.options, 1'000, 20));
    const int large = kLargeFactor * base;
    bench.folder =
        fs::temp_directory_path() / ("vexo-import-e2e-bench-" + std::to_string(::getpid()));
    const fs::path& folder = bench.folder;
    const fs::path clip = folder / "clip.mp4";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error ||
        !vexo::testmedia::WriteVideoClip(clip.string(), vexo::testmedia::Container::kMp4) ||
        !MakeTree(folder / "base", clip, "Show", base) ||
        !MakeTree(folder / "large", clip, "Large Show", large) ||
        !MakeTree(folder / "more", clip, "Later Show", base)) {
        std::fprintf(stderr, "import_e2e_bench: cannot lay out the clips in %s\n",
                     folder.string().c_str());
        fs::remove_all(folder, error);
        return 1;
    }

    // Each figure is the median of several rounds; a round takes every import once, so that a
    // change of the machine's load meets all of them alike. The reference is the in-process
    // import of the base tree with a window that sleeps; vexo imports the base tree and the
    // large one into new libraries, then the base-sized "more" into a copy of the large one.
    std::vector<double> inProcess;
    std::vector<double> polling;
    std::vector<double> vexoBase;
    std::vector<double> vexoLarge;
    std::vector<double> vexoMore;
    for (int i = 1; i <= kRounds && bench.complete; ++i) {
        const std::string round = std::to_string(i);
        inProcess.push_back(InProcessImport(
            bench, (folder / ("sleeping-" + round + ".db")).string(), folder / "base", base, true));
        polling.push_back(InProcessImport(bench, (folder / ("polling-" + round + ".db")).string(),
                                          folder / "base", base, false));
        const std::optional<Home> empty = bench.FreshHome("home-base-" + round);
        const std::optional<Home> full =
            empty ? bench.FreshHome("home-large-" + round) : std::nullopt;
        if (!empty || !full) {
            break;
        }
        vexoBase.push_back(bench.VexoImport(*empty, folder / "base", base, base));
        vexoLarge.push_back(bench.VexoImport(*full, folder / "large", large, large));
        const Home copy(folder / ("home-more-" + round));
        fs::copy(full->Folder(), copy.Folder(), fs::copy_options::recursive, error);
        if (error) {
            bench.Fail("cannot copy the full library: " + error.message());
            break;
        }
        vexoMore.push_back(bench.VexoImport(copy, folder / "more", base, large + base));
    }

    if (!bench.complete || vexoBase.empty() || vexoMore.empty()) {
        fs::remove_all(folder, error);
        return 1;
    }
    const double reference = Median(inProcess);
    const double vexo = Median(vexoBase);
    const double vexoLargeSeconds = Median(vexoLarge);
    const double more = Median(vexoMore);
    const std::string baseText = Count(base);
    const std::string largeText = Count(large);
    std::printf(
        "files per second: %.0f in-process, %.0f vexo import (%s), %.0f (%s), %.0f (%s "
        "into %s)\n",
        base / reference, base / vexo, baseText.c_str(), large / vexoLargeSeconds,
        largeText.c_str(), base / more, baseText.c_str(), largeText.c_str());
    const auto line = [](const std::string& what, double seconds, const std::string& against,
                         double againstSeconds) {
        vexo::bench::PrintRatio(what.c_str(), seconds, against.c_str(), againstSeconds);
    };
    line("in-process, " + baseText + " episodes", reference, "reference", reference);
    line("  the same, polling the add", Median(polling), "(as bench/import_bench)", reference);
    line("vexo import, " + baseText + " episodes", vexo, "vs in-process (goal <= 1.30x)",
         reference);
    line("vexo import, " + largeText + " episodes", vexoLargeSeconds,
         "vs vexo import of " + baseText + " (goal <= 5.25x)", vexo);
    line("vexo import, " + baseText + " into " + largeText, more,
         "vs into an empty library (goal <= 1.10x)", vexo);
    fs::remove_all(folder, error);
    return 0;
}
