// setup.exe of the Linux package on real folders: this build's programs staged and packaged by
// scripts/release, installed into a home or prefix of the test's own with the answers given
// (VEXO_SETUP_AUTOANSWER=1), started from where they were installed, and removed again by the
// uninstall script; installs that fail or crash half-way leave the prefix as it was.
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "packager/setup/setup_list.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace setup::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vexo::test_support::ChildProcess;
using vexo::test_support::ReadText;
using vexo::test_support::TempFolder;
using vexo::test_support::WriteFile;

const std::string kRelease = VEXO_SOURCE_DIR "/scripts/release";

struct Finished {
    int status = -1;  // the wait status
    std::string output;
};

// Runs argv with standard output and errors on one pipe.
Finished RunMerged(std::vector<std::string> argv) {
    argv.insert(argv.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1"});
    ChildProcess child(argv, {.output = ChildProcess::Output::kToPipe});
    Finished finished;
    finished.output = child.ReadAll();
    finished.status = child.Wait();
    return finished;
}

bool Succeeded(const Finished& finished) {
    return WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0;
}

// What is below root, as find lists it: one line a path, with its type, permissions and (for a
// file) size.
constexpr const char* kListing =
    "find \"$0\" -mindepth 1 \\( -type f -printf '%y %m %s %P\\n' \\) -o -printf '%y %m %P\\n' "
    "| LC_ALL=C sort";

std::string Tree(const fs::path& root) {
    const Finished listing = RunMerged({"sh", "-c", kListing, root});
    return listing.output;
}

class LinuxSetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const Finished staged = RunMerged({kRelease, "--stage-linux", VEXO_BUILD_DIR, Stage()});
        ASSERT_TRUE(Succeeded(staged)) << staged.output;
        fs::create_directories(Runtime());
        fs::permissions(Runtime(), fs::perms::owner_all);
        // Files of the user's own in the folders the install shares: they stay.
        ASSERT_TRUE(WriteFile(Home() / ".local/bin/mine", "#!/bin/sh\n"));
        ASSERT_TRUE(WriteFile(Home() / ".local/share/applications/other.desktop", "[Desktop]\n"));
    }

    fs::path Stage() const { return scratch_.path() / "stage"; }
    fs::path Home() const { return scratch_.path() / "home"; }
    fs::path Runtime() const { return scratch_.path() / "runtime"; }
    fs::path Local() const { return Home() / ".local"; }

    // The environment of a user's session, with this test's home and no PREFIX unless given.
    std::vector<std::string> Session(const std::string& prefix = {}) const {
        std::vector<std::string> env = {"/usr/bin/env",
                                        "-u",
                                        "PREFIX",
                                        "HOME=" + Home().string(),
                                        "XDG_RUNTIME_DIR=" + Runtime().string(),
                                        "VEXO_PREFIX=" + (scratch_.path() / "machine").string(),
                                        "VEXO_SETUP_AUTOANSWER=1",
                                        "QT_QPA_PLATFORM=offscreen"};
        if (!prefix.empty()) {
            env.push_back("PREFIX=" + prefix);
        }
        return env;
    }

    Finished Setup(const std::string& prefix = {}, std::vector<std::string> wrapper = {}) const {
        std::vector<std::string> argv = Session(prefix);
        argv.insert(argv.end(), wrapper.begin(), wrapper.end());
        argv.push_back(Stage() / "setup.exe");
        return RunMerged(argv);
    }

    // The prefix's uninstall script leaves root as it was before the install.
    static void ExpectUninstalled(const fs::path& prefix, const fs::path& root,
                                  const std::string& before) {
        const Finished removed = RunMerged({prefix / "bin/plumex-uninstall"});
        EXPECT_TRUE(Succeeded(removed)) << removed.output;
        EXPECT_EQ(Tree(root), before);
    }

    TempFolder scratch_{"vexo-linux-setup"};
};

TEST_F(LinuxSetupTest, PackageInstallsIntoHomeWhereTheProgramsRunAndTheScriptRemovesIt) {
    const std::string before = Tree(Local());
    const fs::path package = scratch_.path() / "Plumex-setup";
    ASSERT_TRUE(Succeeded(RunMerged({kRelease, "--package-linux", VEXO_BUILD_DIR, package})));
    fs::create_directory(scratch_.path() / "tmp");
    std::vector<std::string> argv = Session();
    argv.push_back("TMPDIR=" + (scratch_.path() / "tmp").string());
    argv.push_back(package);
    const Finished installed = RunMerged(argv);
    ASSERT_TRUE(Succeeded(installed)) << installed.output;
    EXPECT_THAT(installed.output, Not(HasSubstr("message box")));

    for (const char* program : {"bin/Plumex", "bin/vexo", "bin/plumex-uninstall"}) {
        EXPECT_EQ(fs::status(Local() / program).permissions() & fs::perms::owner_exec,
                  fs::perms::owner_exec)
            << program;
    }
    for (const char* file :
         {"share/vexo-plumex/LICENSE.txt", "share/icons/hicolor/16x16/apps/plumex.png",
          "share/icons/hicolor/32x32/apps/plumex.png", "share/icons/hicolor/48x48/apps/plumex.png",
          "share/icons/hicolor/128x128/apps/plumex.png"}) {
        EXPECT_TRUE(fs::is_regular_file(Local() / file)) << file;
    }
    EXPECT_THAT(ReadText(Local() / "share/applications/plumex.desktop"),
                HasSubstr("\nExec=" + (Local() / "bin/Plumex").string() + "\n"));

    // The installed Plumex starts on its own libraries: the first run's library install is
    // reported once the application is up, and the windows then wait for the user.
    std::vector<std::string> plumex = Session();
    plumex.push_back(Local() / "bin/Plumex");
    ChildProcess started(
        plumex, {.output = ChildProcess::Output::kErrorsToPipe, .defaultStopSignals = true});
    std::string line;
    bool firstRun = false;
    while (!firstRun && started.ReadLine(line)) {
        firstRun = line.starts_with("Plumex: first run, the media library was installed");
    }
    EXPECT_TRUE(firstRun);
    started.Signal(SIGTERM);
    const int status = started.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;

    const Finished help = RunMerged({Local() / "bin/vexo", "--help"});
    EXPECT_TRUE(Succeeded(help));
    EXPECT_THAT(help.output, HasSubstr("\n  package "));

    ExpectUninstalled(Local(), Local(), before);
}

TEST_F(LinuxSetupTest, InstallOverAnEarlierOneUpgradesItInAnyPrefix) {
    // Blanks, a quote and a dollar sign, which the desktop entry and the script must quote.
    const fs::path prefix = scratch_.path() / "pre fix 'q' $x";
    const std::string before = Tree(scratch_.path());
    ASSERT_TRUE(Succeeded(Setup(prefix)));
    const Finished again = Setup(prefix);
    ASSERT_TRUE(Succeeded(again)) << again.output;
    EXPECT_THAT(again.output, HasSubstr("was upgraded"));
    EXPECT_THAT(ReadText(prefix / "share/applications/plumex.desktop"),
                HasSubstr("\nExec=\"" + scratch_.Root() + "/pre fix 'q' \\\\$x/bin/Plumex\"\n"));

    ExpectUninstalled(prefix, scratch_.path(), before);
}

// A failure half-way: the desktop entry, written after every file, lands in a folder that cannot
// be written; or the disk fills up with the second program. Either way the prefix is as it was.
enum class Fault { kReadOnlyFolder, kFullDisk };

class LinuxSetupFaultTest : public LinuxSetupTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(LinuxSetupFaultTest, LeavesNothingBehind) {
    const bool root = ::geteuid() == 0;
    if (GetParam() == Fault::kFullDisk && !root) {
        GTEST_SKIP() << "a small file system of the test's own needs root to be mounted";
    }
    const fs::path faulty =
        GetParam() == Fault::kFullDisk ? Local() / "bin" : Local() / "share/applications";
    const std::string before = Tree(Local());
    const fs::perms permissions = fs::status(faulty).permissions();
    std::vector<std::string> wrapper;
    if (root) {
        // In a mount namespace of its own, which ends with the run: what the failed run left on
        // the file system mounted there is listed from inside.
        const std::string options =
            GetParam() == Fault::kFullDisk
                ? "size=" + std::to_string(fs::file_size(Stage() / "Plumex") + 65536)
                : "ro";
        wrapper = {"unshare",
                   "-m",
                   "sh",
                   "-c",
                   "mount -t tmpfs -o " + options +
                       " vexo-test \"$1\" || exit 99; folder=$1; shift; \"$@\"; status=$?; "
                       "echo listing:; sh -c \"$0\" \"$folder\"; exit $status",
                   kListing,
                   faulty.string()};
    } else {
        fs::permissions(faulty, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const Finished failed = Setup({}, wrapper);
    if (root && WIFEXITED(failed.status) && WEXITSTATUS(failed.status) == 99) {
        GTEST_SKIP() << "cannot mount a file system here: " << failed.output;
    }
    EXPECT_TRUE(WIFEXITED(failed.status) && WEXITSTATUS(failed.status) == 1) << failed.output;
    EXPECT_THAT(failed.output, HasSubstr("Nothing was installed."));
    fs::permissions(faulty, permissions);
    EXPECT_EQ(Tree(Local()), before);
    if (root) {
        EXPECT_TRUE(failed.output.ends_with("listing:\n")) << failed.output;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LinuxSetupFaultTest,
                         ::testing::Values(Fault::kReadOnlyFolder, Fault::kFullDisk),
                         [](const ::testing::TestParamInfo<Fault>& fault) {
                             return fault.param == Fault::kFullDisk ? "FullDisk" : "ReadOnlyFolder";
                         });

TEST_F(LinuxSetupTest, InstallCutShortByACrashIsUndoneAtTheNextRun) {
    const std::string before = Tree(Local());
    // A file size limit below the first program's size ends the process as it writes it.
    const Finished crashed = Setup({}, {"prlimit", "--core=0", "--fsize=100000"});
    ASSERT_TRUE(WIFSIGNALED(crashed.status) && WTERMSIG(crashed.status) == SIGXFSZ)
        << crashed.output;
    ASSERT_TRUE(fs::exists(Local() / "bin/Plumex"));
    ASSERT_TRUE(fs::exists(Local() / "share/.vexo-plumex-setup.journal"));

    const Finished next = Setup();
    ASSERT_TRUE(Succeeded(next)) << next.output;
    EXPECT_THAT(next.output, HasSubstr("An earlier installation that did not finish was undone."));
    EXPECT_THAT(next.output, HasSubstr("was installed into"));
    ExpectUninstalled(Local(), Local(), before);
}

TEST_F(LinuxSetupTest, MissingLibraryIsNamedAndNothingIsInstalled) {
    const fs::path package = scratch_.path() / "package";
    fs::create_directory(package);
    fs::copy_file(Stage() / "setup.exe", package / "setup.exe");
    fs::copy_file(VEXO_NEEDS_NOTTHERE_PATH, package / "needs_notthere");
    SetupList list{"VEXO(tm) Plumex TV", "1.0.2", "VEXO", "vexo-plumex", "needs_notthere", {}, {}};
    list.files.push_back(
        {"needs_notthere", "$(Bin)/needs_notthere", fs::file_size(package / "needs_notthere")});
    ASSERT_TRUE(WriteFile(package / "SETUP.LST", FormatSetupList(list)));
    const fs::path prefix = scratch_.path() / "prefix";

    std::vector<std::string> argv = Session(prefix);
    argv.push_back(package / "setup.exe");
    const Finished refused = RunMerged(argv);
    EXPECT_TRUE(WIFEXITED(refused.status) && WEXITSTATUS(refused.status) == 1) << refused.output;
    EXPECT_THAT(refused.output, HasSubstr("  libnotthere.so.1 (needed by needs_notthere): no "
                                          "Debian package known\n"));
    EXPECT_FALSE(fs::exists(prefix));
}

}  // namespace
}  // namespace setup::test
