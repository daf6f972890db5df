// The worker's services on POSIX, on real temporary folders: the private temporary folder, the
// entry files, the start of setup, and the removal of a tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "packager/package_worker.h"
#include "packager/posix/posix_platform.h"
#include "tests/common/byte_source_contract.h"
#include "tests/packager/fake_worker_world.h"
#include "tests/packager/platform_paths.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace packager::test {
namespace {

namespace fs = std::filesystem;
using posix::PosixPlatform;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing_support::Bytes;
using testing_support::OwnPathOf;
using testing_support::TempFolderOf;
using testing_support::UniqueFolderIn;
using namespace vexo::test_support;

unsigned Mode(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST(PosixTempFolderTest, PrivateNewFolderWithTheSfxPrefix) {
    TempFolder scratch;
    PosixPlatform platform;
    const mode_t oldMask = ::umask(0);  // the mode must not depend on the caller's umask
    const std::optional<std::string> first = UniqueFolderIn(platform, scratch.Root());
    const std::optional<std::string> second = UniqueFolderIn(platform, scratch.Root() + "/");
    ::umask(oldMask);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    for (const std::string& folder : {*first, *second}) {
        EXPECT_EQ(fs::path(folder).parent_path(), scratch.path());
        EXPECT_THAT(fs::path(folder).filename().string(), StartsWith("SFX"));
        EXPECT_EQ(fs::path(folder).filename().string().size(), 9u);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(Mode(folder), 0700u);
    }
    EXPECT_FALSE(UniqueFolderIn(platform, scratch / "missing"));
}

TEST(PosixTempFolderTest, HonoursTmpdir) {
    TempFolder scratch;
    PosixPlatform platform;
    {
        ScopedVariable tmpdir("TMPDIR", scratch.Root() + "//");
        EXPECT_EQ(TempFolderOf(platform), scratch.path().string());
    }
    {
        ScopedVariable tmpdir("TMPDIR", "");
        EXPECT_EQ(TempFolderOf(platform), "/tmp");
    }
    {
        ScopedVariable tmpdir("TMPDIR", std::nullopt);
        EXPECT_EQ(TempFolderOf(platform), "/tmp");
    }
}

TEST(PosixFilesTest, EntryFileReplacesAnOldOneAndANewOneIsPrivate) {
    TempFolder scratch;
    PosixPlatform platform;
    const std::string path = scratch / "setup.exe";
    WriteFile(path, "an older and much longer file of the same name");
    {
        const OpenedFile file(platform, platform.CreateFile(path.c_str()));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Write(Bytes{'n', 'e', 'w'}));
        EXPECT_TRUE(file->Flush());
    }
    EXPECT_EQ(ReadText(path), "new");
    const OpenedFile fresh(platform, platform.CreateFile((scratch / "fresh").c_str()));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(Mode(scratch / "fresh") & 077, 0u);
}

TEST(PosixFilesTest, EntryFileNeverWritesThroughALink) {
    TempFolder scratch;
    PosixPlatform platform;
    const std::string outside = scratch / "outside.txt";
    WriteFile(outside, "keep");
    fs::create_symlink(outside, scratch / "setup.exe");
    EXPECT_FALSE(platform.CreateFile((scratch / "setup.exe").c_str()));
    EXPECT_EQ(ReadText(outside), "keep");
}

TEST(PosixFilesTest, ReadsExactlyOrFails) {
    TempFolder scratch;
    PosixPlatform platform;
    WriteFile(scratch / "package", vexo::test_support::kContractBytes);
    {
        const OpenedPackage source(platform,
                                   platform.OpenForReading((scratch / "package").c_str()));
        ASSERT_TRUE(source);
        vexo::test_support::ExpectReadsExactlyOrFails(*source);
    }
    EXPECT_FALSE(platform.OpenForReading((scratch / "missing").c_str()));
}

TEST(PosixOwnPathTest, NamesTheRunningExecutable) {
    PosixPlatform platform;
    const std::optional<std::string> own = OwnPathOf(platform);
    ASSERT_TRUE(own);
    EXPECT_EQ(ReadBytes(*own), ReadBytes(fs::canonical("/proc/self/exe")));
    EXPECT_EQ(ReadText(*own).substr(0, 4),
              "\x7F"
              "ELF");
}

// A setup program that reports its arguments, current folder, open files and blocked signals.
class PosixStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        marker_ = scratch_ / "marker";
        program_ = scratch_ / "setup.exe";
        WriteFile(program_,
                  "#!/bin/sh\n"
                  "{ printf '%s\\n' \"$#\" \"$PWD\"\n"
                  "  while read -r key value; do\n"
                  "    [ \"$key\" = SigBlk: ] && echo \"$value\"; done < /proc/$$/status\n"
                  "  ls -l /proc/$$/fd/; } > '" +
                      marker_ + "'\nexit 7\n");
        ::chmod(program_.c_str(), 0600);  // as extracted: not yet executable
    }

    TempFolder scratch_;
    PosixPlatform platform_;
    std::string marker_;
    std::string program_;
};

TEST_F(PosixStartTest, NoArgumentsSameFolderNothingInheritedExitCodeIgnored) {
    // A package file held open, and a signal blocked by the starting thread.
    WriteFile(scratch_ / "held-open.package", "MZ");
    const OpenedPackage held(platform_,
                             platform_.OpenForReading((scratch_ / "held-open.package").c_str()));
    ASSERT_TRUE(held);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigset_t old;
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &usr1, &old), 0);
    const bool started = platform_.StartAndWait(program_.c_str());
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);

    EXPECT_TRUE(started);  // although setup ended with 7
    EXPECT_NE(Mode(program_) & S_IXUSR, 0u);
    const std::string report = ReadText(marker_);
    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 3u) << report;
    EXPECT_EQ(lines[0], "0");
    EXPECT_EQ(fs::canonical(lines[1]), fs::current_path());
    EXPECT_THAT(lines[2], HasSubstr("0000000000000000"));
    EXPECT_THAT(report, Not(HasSubstr("held-open.package")));
}

TEST_F(PosixStartTest, WhatCannotStartIsReported) {
    EXPECT_FALSE(platform_.StartAndWait((scratch_ / "missing.exe").c_str()));
    WriteFile(scratch_ / "data.exe", std::string("\x01\x02") + " not a program");
    EXPECT_FALSE(platform_.StartAndWait((scratch_ / "data.exe").c_str()));
    fs::create_directory(scratch_ / "folder.exe");
    EXPECT_FALSE(platform_.StartAndWait((scratch_ / "folder.exe").c_str()));
    EXPECT_FALSE(fs::exists(marker_));
}

// The worker's removal of a tree, on the real file system.
class PosixRemoveTreeTest : public ::testing::Test {
  protected:
    bool RemoveTree(const std::string& folder) {
        testing_support::EventLog log;
        testing_support::FakeView view(log);
        const auto memory = std::make_unique_for_overwrite<WorkerMemory>();
        Worker worker(platform_, view, *memory);
        return worker.RemoveTree(folder);
    }

    TempFolder scratch_;
    PosixPlatform platform_;
};

TEST_F(PosixRemoveTreeTest, RemovesEverythingButNeverFollowsLinks) {
    const fs::path outside = scratch_.path() / "outside";
    fs::create_directories(outside / "kept");
    WriteFile(outside / "kept" / "file.txt", "keep");
    const fs::path tree = scratch_.path() / "SFXabc123";
    fs::create_directories(tree / "cache" / "deep");
    fs::create_directories(tree / "empty");
    WriteFile(tree / "setup.exe", "x");
    WriteFile(tree / "cache" / "deep" / "log.txt", "log");
    fs::create_directory_symlink(outside, tree / "link-to-folder");
    fs::create_symlink(outside / "kept" / "file.txt", tree / "link-to-file");
    fs::create_symlink(tree / "gone", tree / "dangling");

    EXPECT_TRUE(RemoveTree(tree.string() + "/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_EQ(ReadText(outside / "kept" / "file.txt"), "keep");
}

TEST_F(PosixRemoveTreeTest, FileInsteadOfAFolderFailsAndStays) {
    WriteFile(scratch_ / "plain", "x");
    EXPECT_FALSE(RemoveTree(scratch_ / "plain"));
    EXPECT_TRUE(fs::exists(scratch_ / "plain"));
    EXPECT_FALSE(RemoveTree(scratch_ / "missing"));
}

}  // namespace
}  // namespace packager::test
