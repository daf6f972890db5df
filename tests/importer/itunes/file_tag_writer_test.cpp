// The tag writer on real files with plans made by hand: what it writes, what it refuses, every
// failing call it meets, and the journals Recover finds.
#include "importer/itunes/library/file_tag_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include "importer/itunes/library/tag_journal.h"
#include "tests/importer/itunes/file_tag_test_files.h"
#include "tests/importer/itunes/file_tag_test_io.h"
#include "tests/support/scoped_environment.h"

namespace itunes::library::test {
namespace {

using ::testing::IsEmpty;

// Fails the first call of one kind on one kind of file, or does something just before it.
struct Fault {
    Call call;
    Role role;
    int error = 0;
    std::function<void()> action = {};
};

class FaultIo final : public ObservedIo {
  public:
    explicit FaultIo(std::optional<Fault> fault = std::nullopt) : fault_(std::move(fault)) {}

    int Before(Call call, Role role, const Tear&) override {
        if (!fault_ || fired_ || call != fault_->call || role != fault_->role) {
            return 0;
        }
        fired_ = true;
        if (fault_->action) {
            fault_->action();
        }
        return fault_->error;
    }
    bool Fired() const { return fired_; }

  private:
    std::optional<Fault> fault_;
    bool fired_ = false;
};

// Plans made by hand from the file's size, of the three shapes the format core makes.
using PlanMaker = mp4::TagWritePlan (*)(std::uint64_t size);

mp4::TagWritePlan GrowAtEnd(std::uint64_t size) {
    return {mp4::InPlaceWrite{size - 64, Bytes(200, 0xA5), size + 136}, {}};
}
mp4::TagWritePlan ShrinkAtEnd(std::uint64_t size) {
    return {mp4::InPlaceWrite{size - 200, Bytes(50, 0x5A), size - 150}, {}};
}
mp4::TagWritePlan SameSize(std::uint64_t size) {
    return {mp4::InPlaceWrite{100, Bytes(50, 0x3C), size}, {}};
}
mp4::TagWritePlan Rebuilt(std::uint64_t size) {
    mp4::Rebuild rebuild{{mp4::Piece{0, 0, Bytes(300, 0xC3)}, mp4::Piece{0, size, {}}}, size + 300};
    return {std::move(rebuild), {}};
}

FileTagWriter::Planner Planned(PlanMaker make, std::function<void()> duringPlan = {}) {
    return [make, duringPlan](common::ByteSource& file) {
        if (duringPlan) {
            duringPlan();
        }
        return make(file.Size());
    };
}

struct stat StatusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// An old modification time, so that one kept is told from one the write set.
void SetOldTimes(const std::string& path) {
    const struct timespec times[2] = {{1000000000, 5}, {1000000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct WrittenCase {
    const char* label;
    PlanMaker plan;
    bool hardLinked = false;  // the file has a second name, which sees the new bytes too
};

class WrittenTest : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenTest, MakesThePlannedFileAndKeepsItsModeOwnerAndName) {
    TagFiles files;
    const Bytes old = files.MakeClip(false);
    ASSERT_EQ(::chmod(files.media.c_str(), 0640), 0);
    // Root makes every new file its own: one of another user shows the owner is given back.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(files.media.c_str(), 4242, 4242), 0);
    }
    SetOldTimes(files.media);
    const std::string otherName = files.folder / "other-name.mp4";
    if (GetParam().hardLinked) {
        std::filesystem::create_hard_link(files.media, otherName);
    }
    const struct stat before = StatusOf(files.media);

    const TagWriteResult result =
        FileTagWriter(files.library).WritePlanned(files.media, Planned(GetParam().plan));

    EXPECT_EQ(result.outcome, TagWriteOutcome::kWritten) << result.reason;
    const mp4::TagWritePlan plan = GetParam().plan(old.size());
    const Bytes expected = mp4::ApplyPlan(old, plan);
    EXPECT_TRUE(ReadBytes(files.media) == expected);
    if (GetParam().hardLinked) {
        EXPECT_TRUE(ReadBytes(otherName) == expected);
    }
    const struct stat after = StatusOf(files.media);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // A new file stands in for the old one, so it takes its times; one written in place shows
    // that it was.
    const bool rebuilt = std::holds_alternative<mp4::Rebuild>(plan.write);
    EXPECT_EQ(after.st_ino != before.st_ino, rebuilt);
    EXPECT_EQ(SameTime(after.st_mtim, before.st_mtim), rebuilt);
    EXPECT_THAT(files.LeftOver(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Plans, WrittenTest,
                         ::testing::Values(WrittenCase{"GrowAtEnd", GrowAtEnd},
                                           WrittenCase{"ShrinkAtEnd", ShrinkAtEnd},
                                           WrittenCase{"SameSize", SameSize},
                                           WrittenCase{"Rebuilt", Rebuilt},
                                           WrittenCase{"HardLinkedInPlace", GrowAtEnd, true}),
                         [](const auto& param) { return std::string(param.param.label); });

constexpr const char* kDiskFull = "not enough disk space";
constexpr const char* kFileFailed = "the file could not be written (Input/output error)";
constexpr const char* kFolderFailed =
    "the library's folder could not be written (Input/output error)";

struct FailureCase {
    const char* label;
    PlanMaker plan;
    Call call;
    Role role;
    int error;
    const char* reason;
};

class InjectedFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InjectedFailureTest, LeavesTheOldFileAndNothingElse) {
    TagFiles files;
    const Bytes old = files.MakeClip(false);
    SetOldTimes(files.media);
    const struct stat before = StatusOf(files.media);
    FaultIo io(Fault{GetParam().call, GetParam().role, GetParam().error});

    const TagWriteResult result =
        FileTagWriter(files.library, io).WritePlanned(files.media, Planned(GetParam().plan));

    EXPECT_TRUE(io.Fired());
    EXPECT_EQ(result.outcome, TagWriteOutcome::kRefused);
    EXPECT_EQ(result.reason, GetParam().reason);
    EXPECT_TRUE(ReadBytes(files.media) == old);
    EXPECT_TRUE(SameTime(StatusOf(files.media).st_mtim, before.st_mtim));
    EXPECT_THAT(files.LeftOver(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InjectedFailureTest,
    ::testing::Values(
        FailureCase{"JournalWrite", GrowAtEnd, Call::kWrite, Role::kDraft, ENOSPC, kDiskFull},
        FailureCase{"JournalSync", GrowAtEnd, Call::kSync, Role::kDraft, EIO, kFolderFailed},
        FailureCase{"JournalRename", GrowAtEnd, Call::kRename, Role::kDraft, EIO, kFolderFailed},
        FailureCase{"JournalFolderSync", GrowAtEnd, Call::kSyncFolder, Role::kFolder, EIO,
                    kFolderFailed},
        FailureCase{"Reserve", GrowAtEnd, Call::kReserve, Role::kFile, ENOSPC, kDiskFull},
        FailureCase{"OverwriteDiskFull", GrowAtEnd, Call::kWrite, Role::kFile, ENOSPC, kDiskFull},
        FailureCase{"Overwrite", GrowAtEnd, Call::kWrite, Role::kFile, EIO, kFileFailed},
        FailureCase{"Truncate", ShrinkAtEnd, Call::kTruncate, Role::kFile, EIO, kFileFailed},
        FailureCase{"FileSync", GrowAtEnd, Call::kSync, Role::kFile, EIO, kFileFailed},
        FailureCase{"JournalRemoval", GrowAtEnd, Call::kRemove, Role::kJournal, EIO, kFileFailed},
        FailureCase{"RebuildJournalWrite", Rebuilt, Call::kWrite, Role::kDraft, ENOSPC, kDiskFull},
        FailureCase{"NewFileCreate", Rebuilt, Call::kOpen, Role::kNewFile, ENOSPC, kDiskFull},
        FailureCase{"NewFileReserve", Rebuilt, Call::kReserve, Role::kNewFile, ENOSPC, kDiskFull},
        FailureCase{"NewFileWrite", Rebuilt, Call::kWrite, Role::kNewFile, ENOSPC, kDiskFull},
        FailureCase{"NewFileCopy", Rebuilt, Call::kCopy, Role::kNewFile, EIO, kFileFailed},
        FailureCase{"NewFileOwner", Rebuilt, Call::kSetOwner, Role::kNewFile, EIO, kFileFailed},
        FailureCase{"NewFileSync", Rebuilt, Call::kSync, Role::kNewFile, EIO, kFileFailed},
        FailureCase{"RenameOverOld", Rebuilt, Call::kRename, Role::kNewFile, EIO, kFileFailed}),
    [](const auto& param) { return std::string(param.param.label); });

// What the test arranges before the write, and what the media file holds after it.
struct Scene {
    const TagFiles& files;
    Bytes expected;
    std::optional<Fault> fault;
    std::function<void()> duringPlan;  // another program at work while the plan is made
    const char* skip = nullptr;        // why the case cannot be made here
};

void Append(const std::string& path) {
    std::ofstream(path, std::ios::binary | std::ios::app) << 'x';
}

struct RefusalCase {
    const char* label;
    PlanMaker plan;
    void (*arrange)(Scene& scene);
    const char* reason;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, LeavesTheFileAsItIs) {
    TagFiles files;
    Scene scene{files, files.MakeClip(false), std::nullopt, {}};
    GetParam().arrange(scene);
    if (scene.skip != nullptr) {
        GTEST_SKIP() << scene.skip;
    }
    FaultIo io(scene.fault);

    const TagWriteResult result =
        FileTagWriter(files.library, io)
            .WritePlanned(files.media, Planned(GetParam().plan, scene.duringPlan));

    EXPECT_EQ(result.outcome, TagWriteOutcome::kRefused);
    EXPECT_EQ(result.reason, GetParam().reason);
    EXPECT_TRUE(ReadBytes(files.media) == scene.expected);
    EXPECT_THAT(files.LeftOver(), IsEmpty());
}

constexpr const char* kChanged = "the file changed while its tags were written";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"NotWritable", GrowAtEnd,
                    [](Scene& scene) {
                        scene.fault = Fault{Call::kOpen, Role::kFile, EROFS};
                    },
                    "the file is not writable"},
        RefusalCase{"GrownWhilePlanned", GrowAtEnd,
                    [](Scene& scene) {
                        scene.duringPlan = [&media = scene.files.media] { Append(media); };
                        scene.expected.push_back('x');
                    },
                    kChanged},
        RefusalCase{"TouchedWhilePlanned", Rebuilt,
                    [](Scene& scene) {
                        scene.duringPlan = [&media = scene.files.media] { SetOldTimes(media); };
                    },
                    kChanged},
        RefusalCase{"ReplacedWhilePlanned", GrowAtEnd,
                    [](Scene& scene) {
                        scene.duringPlan = [&files = scene.files] {
                            WriteBytes(files.folder / "replacement", Bytes(10, 1));
                            std::filesystem::rename(files.folder / "replacement", files.media);
                        };
                        scene.expected = Bytes(10, 1);
                    },
                    kChanged},
        RefusalCase{"ChangedBeforeRename", Rebuilt,
                    [](Scene& scene) {
                        scene.fault = Fault{Call::kSetTimes, Role::kNewFile, 0,
                                            [&media = scene.files.media] { Append(media); }};
                        scene.expected.push_back('x');
                    },
                    kChanged},
        RefusalCase{"HardLinkedRebuild", Rebuilt,
                    [](Scene& scene) {
                        std::filesystem::create_hard_link(scene.files.media,
                                                          scene.files.folder / "other-name.mp4");
                    },
                    "the file has other names (hard links)"},
        RefusalCase{"FileOwnedByAnotherUser", Rebuilt,
                    [](Scene& scene) {
                        // Only root can give a file away, and only root may keep its owner.
                        if (::geteuid() != 0) {
                            scene.skip = "a file of another user needs root to be made";
                            return;
                        }
                        ASSERT_EQ(::chown(scene.files.media.c_str(), 4242, 4242), 0);
                        scene.fault = Fault{Call::kSetOwner, Role::kNewFile, EPERM};
                    },
                    "the file belongs to another user"}),
    [](const auto& param) { return std::string(param.param.label); });

// What is found by the file's name instead of a regular file: a link, which a rebuild would
// replace, or a FIFO, which a read would wait on.
struct NotAFileCase {
    const char* label;
    void (*make)(const std::string& path, const std::string& elsewhere);
    const char* reason;
};

class NotAFileTest : public ::testing::TestWithParam<NotAFileCase> {};

TEST_P(NotAFileTest, IsRefused) {
    TagFiles files;
    const std::string path = files.folder / "media/thing.mp4";
    const std::string elsewhere = files.folder / "elsewhere.mp4";
    ASSERT_TRUE(WriteBytes(elsewhere, Bytes(4, 7)));
    GetParam().make(path, elsewhere);

    const TagWriteResult result = FileTagWriter(files.library).WritePlanned(path, Planned(Rebuilt));

    EXPECT_EQ(result.outcome, TagWriteOutcome::kRefused);
    EXPECT_EQ(result.reason, GetParam().reason);
    EXPECT_EQ(ReadBytes(elsewhere), Bytes(4, 7));
    EXPECT_TRUE(std::filesystem::is_symlink(path) || std::filesystem::is_fifo(path));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NotAFileTest,
    ::testing::Values(NotAFileCase{"SymbolicLink",
                                   [](const std::string& path, const std::string& elsewhere) {
                                       std::filesystem::create_symlink(elsewhere, path);
                                   },
                                   "the file is a symbolic link"},
                      NotAFileCase{"Fifo",
                                   [](const std::string& path, const std::string&) {
                                       ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
                                   },
                                   "the file is not a regular file"}),
    [](const auto& param) { return std::string(param.param.label); });

// The journal a write of the media file would have left, made by hand.
TagJournal JournalFor(const TagFiles& files) {
    const struct stat status = StatusOf(files.media);
    TagJournal journal;
    journal.path = files.media;
    journal.device = status.st_dev;
    journal.inode = status.st_ino;
    journal.oldSize = static_cast<std::uint64_t>(status.st_size) - 10;
    journal.oldAccessTime = status.st_atim;
    journal.oldModificationTime = {1000000000, 0};
    journal.oldBytesOffset = 4;
    journal.oldBytes = Bytes(6, 0xEE);
    return journal;
}

struct RecoverCase {
    const char* label;
    // Writes the journal (or its draft) into the library's folder.
    void (*write)(const TagFiles& files);
    bool restores;
};

void WriteJournal(const TagFiles& files, const char* name, Bytes bytes) {
    ASSERT_TRUE(WriteBytes(files.library + "/" + name, bytes));
}

class RecoverTest : public ::testing::TestWithParam<RecoverCase> {};

TEST_P(RecoverTest, UndoesOnlyAWholeJournalOfTheSameFile) {
    TagFiles files;
    const Bytes old = files.MakeClip(false);
    GetParam().write(files);

    EXPECT_TRUE(FileTagWriter::Recover(files.library));

    Bytes expected = old;
    if (GetParam().restores) {
        expected.resize(old.size() - 10);
        std::fill_n(expected.begin() + 4, 6, 0xEE);
        EXPECT_EQ(StatusOf(files.media).st_mtim.tv_sec, 1000000000);
    }
    EXPECT_TRUE(ReadBytes(files.media) == expected);
    EXPECT_THAT(files.LeftOver(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Journals, RecoverTest,
    ::testing::Values(RecoverCase{"Whole",
                                  [](const TagFiles& files) {
                                      WriteJournal(files, FileTagWriter::kJournalName,
                                                   EncodeTagJournal(JournalFor(files)));
                                  },
                                  true},
                      RecoverCase{"CheckValueWrong",
                                  [](const TagFiles& files) {
                                      Bytes bytes = EncodeTagJournal(JournalFor(files));
                                      bytes.back() ^= 1;
                                      WriteJournal(files, FileTagWriter::kJournalName, bytes);
                                  },
                                  false},
                      RecoverCase{"AnotherFileByThePath",
                                  [](const TagFiles& files) {
                                      TagJournal journal = JournalFor(files);
                                      journal.inode += 1;
                                      WriteJournal(files, FileTagWriter::kJournalName,
                                                   EncodeTagJournal(journal));
                                  },
                                  false},
                      RecoverCase{"DraftOnly",
                                  [](const TagFiles& files) {
                                      WriteJournal(files, FileTagWriter::kJournalDraftName,
                                                   EncodeTagJournal(JournalFor(files)));
                                  },
                                  false}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(TagJournalTest, EveryCutShortJournalIsDamaged) {
    TagJournal journal;
    journal.path = "/music/show/clip.mp4";
    journal.newFileName = ".clip.mp4.vexo-tags-AbC123";
    journal.oldBytes = Bytes(5, 9);
    const Bytes bytes = EncodeTagJournal(journal);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        EXPECT_EQ(DecodeTagJournal(std::span(bytes).first(size)).state,
                  TagJournalRead::State::kDamaged)
            << size;
    }
    const TagJournalRead read = DecodeTagJournal(bytes);
    EXPECT_EQ(read.state, TagJournalRead::State::kValid);
    EXPECT_EQ(read.journal.newFileName, journal.newFileName);
    EXPECT_EQ(read.journal.oldBytes, journal.oldBytes);
}

TEST(PosixFileTagIoTest, CopiesAcrossFileSystemsThroughABuffer) {
    // The kernel copies only between file systems of one kind: memory to disk goes by buffer.
    std::unique_ptr<TempFolder> memory;
    {
        const vexo::test_support::ScopedVariable inMemory("TMPDIR", "/dev/shm");
        memory = std::make_unique<TempFolder>();
    }
    TempFolder disk;
    if (!memory->Ok() || StatusOf(memory->Root()).st_dev == StatusOf(disk.Root()).st_dev) {
        GTEST_SKIP() << "no file system in memory";
    }
    Bytes source(300000);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    ASSERT_TRUE(WriteBytes(*memory / "from", source));
    PosixFileTagIo io;
    common::posix::UniqueFd from;
    common::posix::UniqueFd to;
    ASSERT_EQ(io.Open(*memory / "from", O_RDONLY, 0, from), 0);
    ASSERT_EQ(io.Open(disk / "to", O_RDWR | O_CREAT, 0600, to), 0);

    EXPECT_EQ(io.Copy(from.Get(), 1000, to.Get(), 10, 250000), 0);
    EXPECT_EQ(io.Copy(from.Get(), 299990, to.Get(), 0, 11), ENODATA);
    const Bytes copied = ReadBytes(disk / "to");
    ASSERT_EQ(copied.size(), 250010u);
    EXPECT_TRUE(std::equal(copied.begin() + 10, copied.end(), source.begin() + 1000));
}

}  // namespace
}  // namespace itunes::library::test
