// What writing the TV labels into the video files costs, against the plainest work of the same
// size measured in the same run:
//
//   1. Two source files of real media made by the ffmpeg program, about 5 MB each: one with its
//      movie header (moov) after the media, as a recorder leaves it, and one with it in front
//      (-movflags +faststart), as streaming files have it.
//   2. For each, N copies (1,000 unless --files says otherwise), each made and synced on its
//      own: the reference. Then the N copies labelled through FileTagWriter, each with labels of
//      its own, and labelled again with other names. A moov after the media is rewritten in
//      place both times, the file growing at its end. A moov in front must grow in front of the
//      media the first time, so the file is rebuilt as a new one (a copy's work); the second
//      time the padding the rebuild left makes room, and the write is in place. Each figure is
//      the median of three rounds.
//   3. Trees of N small clips imported into a fresh embedded library, with the labels written
//      into the files (the library's default) and without: the ratio is what the writing adds
//      to an import as a user meets it.
//
// Every write must succeed and every labelled file must read back with its labels, or the
// program fails, so that what is timed is the whole work.
//
//   tags_bench [--quick] [--files N] [FOLDER]   FOLDER holds the files ($TMPDIR or /tmp when
//                                               not given); it should be on the disk of interest.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "bench_options.h"
#include "common/file_byte_source.h"
#include "common/posix/unique_fd.h"
#include "import_trees.h"
#include "importer/itunes/library/file_tag_writer.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/mp4/tag_plan.h"
#include "ratio.h"
#include "run_program.h"
#include "tools/testmedia/test_media.h"

namespace fs = std::filesystem;

namespace {

using common::posix::UniqueFd;
using itunes::library::mp4::EpisodeTags;
using vexo::bench::Count;
using vexo::bench::Median;
using vexo::bench::Seconds;
using vexo::bench::TwoDigits;

using Clock = std::chrono::steady_clock;

struct Bench {
    fs::path folder;
    bool complete = true;

    void Fail(const std::string& what) {
        std::fprintf(stderr, "tags_bench: %s\n", what.c_str());
        complete = false;
    }
};

// --- The source files ---------------------------------------------------------------------------

// Runs ffmpeg with arguments (found on PATH), its output thrown away and its errors on ours;
// false, with the reason told, when it cannot be started or does not succeed.
bool RunFfmpeg(Bench& bench, const std::vector<std::string>& arguments) {
    const vexo::bench::ProgramEnd end = vexo::bench::RunProgram(arguments);
    if (end.startError == ENOENT) {
        bench.Fail(
            "the ffmpeg program is not installed (Debian package ffmpeg; scripts/bootstrap "
            "installs it)");
        return false;
    }
    if (end.startError != 0) {
        bench.Fail(std::string("ffmpeg cannot be started: ") + std::strerror(end.startError));
        return false;
    }
    if (end.exitStatus != 0) {
        bench.Fail("ffmpeg failed to make a source file");
        return false;
    }
    return true;
}

// A clip of ffmpeg's moving test picture in MPEG-4 part 2: about 5 MB at full size, a token one
// under --quick.
bool MakeSource(Bench& bench, const fs::path& path, bool quick, bool headerFirst) {
    std::vector<std::string> arguments = {
        "ffmpeg",
        "-v",
        "error",
        "-nostdin",
        "-y",
        "-f",
        "lavfi",
        "-i",
        quick ? "testsrc2=size=320x240:rate=25" : "testsrc2=size=1280x720:rate=25",
        "-t",
        quick ? "1" : "10",
        "-c:v",
        "mpeg4",
        "-b:v",
        quick ? "1M" : "4M"};
    if (headerFirst) {
        arguments.insert(arguments.end(), {"-movflags", "+faststart"});
    }
    arguments.push_back(path.string());
    return RunFfmpeg(bench, arguments);
}

// --- Copies and labelling of one source ---------------------------------------------------------

// The reference: source copied into target, a new file, with copy_file_range (what FileTagWriter
// uses to carry the media into a rebuilt file), then fsync'ed, as the writer syncs every file it
// writes, so that both sides pay for durability.
bool CopyDurably(const fs::path& source, const fs::path& target, std::uint64_t size) {
    const UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!in.Valid() || !out.Valid()) {
        return false;
    }
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t moved =
            ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr, size - done, 0);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return false;
        }
        done += static_cast<std::uint64_t>(moved);
    }
    return ::fsync(out.Get()) == 0 && out.Close();
}

// The labels of the index'th file, as an import would set them; the second pass (pass 1)
// renames the show and the episodes, as a user who corrects the names does.
EpisodeTags TagsFor(int index, int pass) {
    const int show = index / vexo::bench::kEpisodesPerShow + 1;
    const int season = index % vexo::bench::kEpisodesPerShow / vexo::bench::kEpisodesPerSeason + 1;
    const int episode = index % vexo::bench::kEpisodesPerSeason + 1;
    const std::string title = pass == 0 ? "Episode " + std::to_string(episode)
                                        : "The Episode Called " + std::to_string(episode);
    EpisodeTags tags;
    tags.show = (pass == 0 ? "Show " : "The Renamed Show ") + TwoDigits(show);
    tags.seasonNumber = season;
    tags.episodeId = title;
    tags.episodeNumber = episode;
    tags.name = title;
    tags.sortName = "0" + TwoDigits(episode);
    tags.videoKind = 3;
    return tags;
}

std::optional<ino_t> Inode(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return status.st_ino;
}

// The labels the file at path carries, or nothing when it cannot be read as MPEG-4.
std::optional<EpisodeTags> ReadTags(const std::string& path) {
    const auto file = common::FileByteSource::Open(path);
    return file ? itunes::library::mp4::ReadEpisodeTags(*file).tags : std::nullopt;
}

struct LabellingRun {
    double seconds = 0;
    int rebuilt = 0;  // files written as a new file renamed over the old, not in place
};

// Labels each of files with the labels of pass, through one writer whose journal lies in
// journalFolder. Each write must be made and the file must then carry exactly those labels.
LabellingRun Label(Bench& bench, const std::vector<std::string>& files,
                   const std::string& journalFolder, int pass) {
    LabellingRun run;
    std::vector<std::optional<ino_t>> before;
    for (const std::string& file : files) {
        before.push_back(Inode(file));
    }
    itunes::library::FileTagWriter writer(journalFolder);
    int refused = 0;
    std::string reason;
    ::sync();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const itunes::library::TagWriteResult result =
            writer.Write(files[i], TagsFor(static_cast<int>(i), pass));
        if (result.outcome != itunes::library::TagWriteOutcome::kWritten) {
            ++refused;
            reason = result.outcome == itunes::library::TagWriteOutcome::kUnchanged
                         ? "the file was left unchanged"
                         : result.reason;
        }
    }
    run.seconds = Seconds(Clock::now() - start);
    if (refused > 0) {
        bench.Fail(std::to_string(refused) + " of " + std::to_string(files.size()) +
                   " writes were not made, the last: " + reason);
    }
    int wrong = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        run.rebuilt += Inode(files[i]) != before[i] ? 1 : 0;
        wrong += ReadTags(files[i]) != TagsFor(static_cast<int>(i), pass) ? 1 : 0;
    }
    if (wrong > 0) {
        bench.Fail(std::to_string(wrong) + " of " + std::to_string(files.size()) +
                   " files do not read back with their labels");
    }
    return run;
}

// The seconds of one round on one source: the copies, then their first and second labelling.
struct CopiesRound {
    double copy = 0;
    LabellingRun first;
    LabellingRun second;
};

// count copies of source made, labelled and labelled again, in a folder of their own that is
// removed afterwards.
CopiesRound LabelCopies(Bench& bench, const fs::path& source, int count) {
    CopiesRound round;
    std::error_code error;
    const std::uint64_t size = fs::file_size(source, error);
    const fs::path files = bench.folder / "files";
    const fs::path journal = bench.folder / "journal";
    fs::create_directories(files, error);
    fs::create_directories(journal, error);
    if (error || size == 0) {
        bench.Fail("cannot lay out the copies of " + source.string());
        return round;
    }
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back((files / ("episode-" + std::to_string(i) + ".mp4")).string());
    }

    ::sync();
    int failed = 0;
    const auto start = Clock::now();
    for (const std::string& path : paths) {
        failed += CopyDurably(source, path, size) ? 0 : 1;
    }
    round.copy = Seconds(Clock::now() - start);
    if (failed > 0) {
        bench.Fail(std::to_string(failed) + " copies of " + source.string() + " failed");
    } else {
        round.first = Label(bench, paths, journal.string(), 0);
        round.second = Label(bench, paths, journal.string(), 1);
    }
    fs::remove_all(files, error);
    ::sync();
    return round;
}

// The medians of the rounds on one source, under title.
void PrintCopies(const std::string& title, const std::vector<CopiesRound>& rounds, int count) {
    std::vector<double> copies;
    std::vector<double> firsts;
    std::vector<double> seconds;
    for (const CopiesRound& round : rounds) {
        copies.push_back(round.copy);
        firsts.push_back(round.first.seconds);
        seconds.push_back(round.second.seconds);
    }
    const double copy = Median(copies);
    const double first = Median(firsts);
    const double second = Median(seconds);
    const std::string n = Count(count);
    std::printf(
        "\n%s, %s files, median of %zu: copy %.3f s, first labelling %.3f s, second "
        "labelling %.3f s\n",
        title.c_str(), n.c_str(), rounds.size(), copy, first, second);
    vexo::bench::PrintRatio(("copy + fsync of " + n).c_str(), copy, "reference", copy);
    // Every round writes the same way, so the last one tells how.
    const auto how = [&](const LabellingRun& run) {
        return "of the copy (" + Count(run.rebuilt) + " rebuilt, " + Count(count - run.rebuilt) +
               " in place)";
    };
    vexo::bench::PrintRatio("first labelling", first, how(rounds.back().first).c_str(), copy);
    vexo::bench::PrintRatio("second labelling, other names", second,
                            how(rounds.back().second).c_str(), copy);
}

// --- The import, with labels written into the files and without ---------------------------------

// Seconds of the import of tree into a new library at database, with the labels written into
// the files or not. The library is made beforehand on both sides, so that only the import is
// timed; the time runs until its last object is released, since the labels of the last files
// are written then.
double Import(Bench& bench, const std::string& database, const fs::path& tree, int count,
              bool fileTags) {
    {
        const auto library = itunes::library::MediaLibrary::Open(database);
        if (library == nullptr || !library->SetFileTagsEnabled(fileTags)) {
            bench.Fail("the library at " + database + " cannot be made");
            return 0;
        }
    }
    ::sync();
    vexo::bench::QuietView view;
    const vexo::bench::InProcessImport run = vexo::bench::ImportInProcess(database, tree, view);
    const int labelled = vexo::bench::LabelledTracks(database);
    if (!run.opened || run.filesAdded != count ||
        view.report != std::to_string(count) + " files added." || labelled != count) {
        bench.Fail("the import labelled " + std::to_string(run.filesAdded) + " of " +
                   std::to_string(count) + " files (" + std::to_string(labelled) +
                   " in the library)");
    }
    return run.seconds;
}

// How many of files carry the labels of a TV episode in the file itself.
int FilesWithLabels(const std::vector<std::string>& files) {
    int labelled = 0;
    for (const std::string& file : files) {
        const std::optional<EpisodeTags> tags = ReadTags(file);
        labelled += tags && tags->show && !tags->show->empty() && tags->seasonNumber &&
                            tags->episodeNumber && tags->name && tags->videoKind == 3
                        ? 1
                        : 0;
    }
    return labelled;
}

}  // namespace

int main(int argc, char** argv) {
    vexo::bench::CountOption filesOption = vexo::bench::TakeCountOption(argc, argv, "--files");
    if (filesOption.exitCode) {
        return *filesOption.exitCode;
    }
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        static_cast<int>(filesOption.rest.size()), filesOption.rest.data(),
        "Writes TV labels into N copies of a 5 MB video (moov after the media, then in front),\n"
        "twice, against the copies themselves; and imports N small clips with the labels\n"
        "written into the files against the same import without.\n"
        "  --files N  the number of files N (default 1000; --quick makes it 20)",
        true);
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    const vexo::bench::BenchOptions& options = parsed.options;
    const int count = filesOption.count.value_or(vexo::bench::Sized(options, 1'000, 20));
    const int rounds = vexo::bench::Sized(options, 3, 1);
    const fs::path base =
        options.folder.empty() ? fs::temp_directory_path() : fs::path(options.folder);

    Bench bench;
    bench.folder = base / ("vexo-tags-bench-" + std::to_string(::getpid()));
    const fs::path& folder = bench.folder;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "tags_bench: cannot make %s\n", folder.string().c_str());
        return 1;
    }
    const auto finish = [&] {
        fs::remove_all(folder, error);
        return bench.complete ? 0 : 1;
    };

    const fs::path trailing = folder / "moov-after-media.mp4";
    const fs::path faststart = folder / "moov-in-front.mp4";
    if (!MakeSource(bench, trailing, options.quick, false) ||
        !MakeSource(bench, faststart, options.quick, true)) {
        return finish();
    }
    std::printf("sources: %s %.2f MB, %s %.2f MB, in %s\n", trailing.filename().c_str(),
                static_cast<double>(fs::file_size(trailing, error)) / 1e6,
                faststart.filename().c_str(),
                static_cast<double>(fs::file_size(faststart, error)) / 1e6, base.c_str());

    // Each round takes both sources, in turns, so that a change of the machine's load (a disk
    // still writing back the last round's gigabytes) meets both alike.
    std::vector<CopiesRound> trailingRounds;
    std::vector<CopiesRound> faststartRounds;
    for (int round = 0; round < rounds && bench.complete; ++round) {
        if (round % 2 == 0) {
            trailingRounds.push_back(LabelCopies(bench, trailing, count));
            faststartRounds.push_back(LabelCopies(bench, faststart, count));
        } else {
            faststartRounds.push_back(LabelCopies(bench, faststart, count));
            trailingRounds.push_back(LabelCopies(bench, trailing, count));
        }
    }
    if (!bench.complete) {
        return finish();
    }
    PrintCopies("moov after the media", trailingRounds, count);
    PrintCopies("moov in front of the media (+faststart)", faststartRounds, count);

    // The import: each round imports a fresh tree into a fresh library with the labels written
    // into the files and another without, in turns, so that a change of the machine's load meets
    // both alike. The trees are copies, not links (see MakeTree).
    const fs::path clip = folder / "clip.mp4";
    if (!vexo::testmedia::WriteVideoClip(clip.string(), vexo::testmedia::Container::kMp4)) {
        bench.Fail("cannot make the clip " + clip.string());
        return finish();
    }
    std::vector<double> withTags;
    std::vector<double> withoutTags;
    int unlabelled = 0;
    int labelledOff = 0;
    for (int round = 1; round <= rounds && bench.complete; ++round) {
        const std::string r = std::to_string(round);
        const auto on = vexo::bench::MakeTree(folder / ("on-" + r), clip, "Show", count,
                                              vexo::bench::TreeFiles::kCopies);
        const auto off = vexo::bench::MakeTree(folder / ("off-" + r), clip, "Show", count,
                                               vexo::bench::TreeFiles::kCopies);
        if (!on || !off) {
            bench.Fail("cannot lay out the clips in " + folder.string());
            break;
        }
        const auto importOn = [&] {
            withTags.push_back(Import(bench, (folder / ("on-" + r + ".db")).string(),
                                      folder / ("on-" + r), count, true));
        };
        const auto importOff = [&] {
            withoutTags.push_back(Import(bench, (folder / ("off-" + r + ".db")).string(),
                                         folder / ("off-" + r), count, false));
        };
        if (round % 2 == 1) {
            importOn();
            importOff();
        } else {
            importOff();
            importOn();
        }
        unlabelled += count - FilesWithLabels(*on);
        labelledOff += FilesWithLabels(*off);
        fs::remove_all(folder / ("on-" + r), error);
        fs::remove_all(folder / ("off-" + r), error);
    }
    if (unlabelled > 0 || labelledOff > 0) {
        bench.Fail(std::to_string(unlabelled) + " files of the imports with labels lack them, " +
                   std::to_string(labelledOff) + " of those without carry them");
    }
    if (!bench.complete) {
        return finish();
    }

    const double on = Median(withTags);
    const double off = Median(withoutTags);
    const std::string n = Count(count);
    std::printf(
        "\nimport of %s small clips, median of %d: %.0f files per second with the labels "
        "written into the files, %.0f without\n",
        n.c_str(), rounds, count / on, count / off);
    vexo::bench::PrintRatio(("import of " + n + ", no labels in files").c_str(), off, "reference",
                            off);
    vexo::bench::PrintRatio(("import of " + n + ", labels in files").c_str(), on,
                            "with labels / without", off);
    return finish();
}
