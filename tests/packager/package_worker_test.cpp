// The extraction worker on a fake machine: every outcome of a package - installed, incomplete,
// corrupt, escaping, without a setup program - with the boxes it shows, its exit code, what it
// wrote and what is left on disk afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "packager/message_boxes.h"
#include "packager/package_worker.h"
#include "tests/packager/fake_worker_world.h"
#include "tests/packager/test_packages.h"
#include "tests/support/files.h"

namespace packager::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing_support::BuiltPackage;
using testing_support::Bytes;
using testing_support::FakePath;
using testing_support::FakePlatform;
using testing_support::PatternBytes;
using testing_support::TestEntry;
using testing_support::WorkerRun;
using vexo::test_support::ToBytes;

const TestEntry kCab{"Plumex.CAB", PatternBytes(40000, 1), {}};
const TestEntry kSetup{"setup.exe", PatternBytes(1000, 2), {}};
const TestEntry kList{"SETUP.LST", ToBytes("[Setup]\nTitle=VEXO(tm) Plumex TV\n"), {}};

// No file is ever written anywhere but directly in the folder the worker created.
void ExpectEverythingInsideTheFolder(const WorkerRun& run) {
    for (const std::string& path : run.platform.createdFiles) {
        ASSERT_EQ(run.platform.createdFolders.size(), 1u);
        const std::string& folder = run.platform.createdFolders.front();
        ASSERT_EQ(path.compare(0, folder.size() + 1, folder + testing_support::kSeparator), 0)
            << path;
        const std::string name = path.substr(folder.size() + 1);
        EXPECT_EQ(name.find_first_of("/\\"), std::string::npos) << path;
        EXPECT_EQ(name.find(".."), std::string::npos) << path;
    }
    EXPECT_THAT(run.platform.openFiles, IsEmpty());
}

struct PackageCase {
    std::string label;
    std::vector<TestEntry> entries;
    std::function<void(BuiltPackage&)> damage;  // none when empty
    std::vector<MessageBoxSpec> boxes;
    bool setupRuns = false;
    std::vector<std::string> created;  // entry files created, in order
    std::string tempFolder = FakePath("/tmp");
};

void PrintTo(const PackageCase& c, std::ostream* out) {
    *out << c.label;
}

class PackageOutcomeTest : public ::testing::TestWithParam<PackageCase> {};

TEST_P(PackageOutcomeTest, BoxesExitCodeFilesAndCleanUp) {
    const PackageCase& c = GetParam();
    BuiltPackage package = testing_support::BuildPackage(c.entries);
    if (c.damage) {
        c.damage(package);
    }
    WorkerRun run(package.bytes);
    run.platform.tempFolder = c.tempFolder;
    run.platform.nodes[c.tempFolder] = {true, {}};
    run.Run();

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, c.boxes);
    EXPECT_EQ(run.CreatedNames(), c.created);
    EXPECT_EQ(run.platform.startedProgram.has_value(), c.setupRuns);
    if (c.setupRuns) {
        // Every entry was there, whole, when setup ran; a later entry of the same name won.
        std::map<std::string, Bytes> expected;
        for (const TestEntry& entry : c.entries) {
            expected[entry.name] = entry.data;
        }
        EXPECT_EQ(run.filesAtSetup, expected);
    }
    ExpectEverythingInsideTheFolder(run);
    EXPECT_TRUE(run.OnlyTempFolderLeft()) << "the temporary folder was not removed";
}

std::vector<PackageCase> PackageCases() {
    const auto corrupt = std::vector<MessageBoxSpec>{kExtractionFailureBox};
    const auto truncate = [](std::size_t bytes) {
        return [bytes](BuiltPackage& p) { p.bytes.resize(p.bytes.size() - bytes); };
    };
    const std::string longFolder = FakePath("/tmp/" + std::string(300, 't'));
    std::vector<PackageCase> cases = {
        {"ThreeEntriesInstall",
         {kCab, kSetup, kList},
         {},
         {},
         true,
         {"Plumex.CAB", "setup.exe", "SETUP.LST"}},
        {"NoEntries", {}, {}, {kSetupFailureBox}, false, {}},
        {"EmptyEntry", {kSetup, {"empty.txt", {}, {}}}, {}, {}, true, {"setup.exe", "empty.txt"}},
        {"EmptyEntryWithNonZeroCheckValue",
         {kSetup, {"empty.txt", {}, 1u}},
         {},
         corrupt,
         false,
         {"setup.exe", "empty.txt"}},
        {"OneFullBlock", {{"setup.exe", PatternBytes(16384, 3), {}}}, {}, {}, true, {"setup.exe"}},
        {"LastEntryCutShort",
         {kCab, kSetup, kList},
         truncate(10),
         corrupt,
         false,
         {"Plumex.CAB", "setup.exe", "SETUP.LST"}},
        {"SecondHeaderCutShort",
         {kCab, kSetup, kList},
         [](BuiltPackage& p) { p.bytes.resize(p.dataOffsets[1] - 100); },
         corrupt,
         false,
         {"Plumex.CAB"}},
        {"EntryCountCutShort",
         {kSetup},
         [](BuiltPackage& p) { p.bytes.resize(p.payloadOffset + 2); },
         corrupt,
         false,
         {}},
        {"FlippedByteInSecondEntry",
         {kCab, kSetup, kList},
         [](BuiltPackage& p) { p.bytes[p.dataOffsets[1] + 500] ^= 0x01; },
         corrupt,
         false,
         {"Plumex.CAB", "setup.exe"}},
        {"FlippedCheckValueOfFirstEntry",
         {kCab, kSetup},
         [](BuiltPackage& p) { p.bytes[p.dataOffsets[0] - 1] ^= 0x80; },
         corrupt,
         false,
         {"Plumex.CAB"}},
        {"NoSetupProgram",
         {kCab, kList},
         {},
         {kSetupFailureBox},
         false,
         {"Plumex.CAB", "SETUP.LST"}},
        {"StubWithNothingAfterIt",
         {kSetup},
         [](BuiltPackage& p) { p.bytes.resize(p.payloadOffset); },
         corrupt,
         false,
         {}},
        {"BytesAfterLastEntry",
         {kSetup, kList},
         [](BuiltPackage& p) { p.bytes.insert(p.bytes.end(), 5000, 0xEE); },
         {},
         true,
         {"setup.exe", "SETUP.LST"}},
        {"LaterEntryOfSameNameReplaces",
         {kSetup, kList, {"setup.exe", ToBytes("second"), {}}},
         {},
         {},
         true,
         {"setup.exe", "SETUP.LST", "setup.exe"}},
        {"LongestPlainName",
         {kSetup, {std::string(259, 'n'), ToBytes("x"), {}}},
         {},
         {},
         true,
         {"setup.exe", std::string(259, 'n')}},
    };
    // Names that would leave the folder, or paths too long for it, make the package corrupt
    // before anything of theirs is written.
    const std::vector<std::string> escaping = {"../evil",   "..",     ".", "sub/evil",
                                               "sub\\evil", "c:evil", "",  std::string(260, 'n')};
    for (std::size_t i = 0; i < escaping.size(); ++i) {
        cases.push_back({"EscapingName" + std::to_string(i),
                         {kCab, {escaping[i], ToBytes("evil"), {}}, kSetup},
                         {},
                         corrupt,
                         false,
                         {"Plumex.CAB"}});
    }
    cases.push_back({"PathOver520Bytes",
                     {kCab, {std::string(250, 'n'), ToBytes("x"), {}}, kSetup},
                     {},
                     corrupt,
                     false,
                     {"Plumex.CAB"},
                     longFolder});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Packages, PackageOutcomeTest, ::testing::ValuesIn(PackageCases()),
                         [](const auto& test) { return test.param.label; });

struct OutOfMemoryCase {
    std::string label;
    std::string operation;  // the platform operation whose call fails for want of memory
    int call = 0;           // which of its calls, from 0
    std::vector<MessageBoxSpec> boxes;
    bool setupRuns = false;
    bool folderLeft = false;
};

void PrintTo(const OutOfMemoryCase& c, std::ostream* out) {
    *out << c.label;
}

class OutOfMemoryTest : public ::testing::TestWithParam<OutOfMemoryCase> {};

// The run asks for no memory of its own, so memory running out is a system call failing for
// want of it: that step fails as it would for any other reason, with its box, every file
// closed and the folder removed; during the removal at the end it is a removal that failed.
TEST_P(OutOfMemoryTest, FailsTheStepAtHandAndLeavesNoFileOpen) {
    const OutOfMemoryCase& c = GetParam();
    WorkerRun run(testing_support::BuildPackage({kCab, kSetup, kList}).bytes);
    run.platform.outOfMemoryIn = c.operation;
    run.platform.outOfMemoryAtCall = c.call;
    run.Run();

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, c.boxes);
    EXPECT_EQ(run.platform.startedProgram.has_value(), c.setupRuns);
    EXPECT_THAT(run.platform.openFiles, IsEmpty());
    EXPECT_EQ(run.OnlyTempFolderLeft(), !c.folderLeft);
}

const std::vector<MessageBoxSpec> kExtractionFailed{kExtractionFailureBox};
const std::vector<MessageBoxSpec> kRemovalFailed{kRemovalFailureBox};

INSTANTIATE_TEST_SUITE_P(
    Steps, OutOfMemoryTest,
    ::testing::Values(
        OutOfMemoryCase{"FindingTheOwnPath", "OwnPath", 0, {kOwnPathFailureBox}},
        OutOfMemoryCase{"OpeningThePackage", "OpenForReading", 0, {kOpenFailureBox}},
        OutOfMemoryCase{"FindingTheTempFolder", "TempFolder", 0, kExtractionFailed},
        OutOfMemoryCase{"CreatingTheFolder", "CreateUniqueFolder", 0, kExtractionFailed},
        OutOfMemoryCase{"CreatingTheSecondFile", "CreateFile", 1, kExtractionFailed},
        OutOfMemoryCase{"WritingABlock", "Write", 1, kExtractionFailed},
        OutOfMemoryCase{"FlushingABlock", "Flush", 2, kExtractionFailed},
        OutOfMemoryCase{"StartingSetup", "StartAndWait", 0, {kSetupFailureBox}},
        OutOfMemoryCase{"ListingTheFolderAtTheEnd", "FirstItem", 0, kRemovalFailed, true, true},
        OutOfMemoryCase{"DeletingAFileAtTheEnd", "DeleteFile", 1, kRemovalFailed, true, true}),
    [](const auto& test) { return test.param.label; });

TEST(PackageWorkerTest, ShowsEveryPhaseInOrder) {
    WorkerRun run(testing_support::BuildPackage({kCab, kSetup, kList}).bytes);
    run.Run();
    EXPECT_THAT(run.view.statuses,
                ElementsAre("Opening Package", "Validating Package", "Extracting Package",
                            "Extracting Package", "Creating Temp Folder", "Extracting Plumex.CAB",
                            "Extracting setup.exe", "Extracting SETUP.LST"));
}

TEST(PackageWorkerTest, ProgramThatIsNoPackageMakesNoFolder) {
    WorkerRun run(ToBytes("#!/bin/sh\necho not a package\n"));
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, std::vector<MessageBoxSpec>{kExtractionFailureBox});
    EXPECT_THAT(run.platform.createdFolders, IsEmpty());
}

TEST(PackageWorkerTest, OwnPathUnknown) {
    WorkerRun run(testing_support::BuildPackage({kSetup}).bytes);
    run.platform.ownPathFails = true;
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, std::vector<MessageBoxSpec>{kOwnPathFailureBox});
    EXPECT_THAT(run.view.statuses, IsEmpty());
}

TEST(PackageWorkerTest, OwnFileCannotBeOpened) {
    WorkerRun run(testing_support::BuildPackage({kSetup}).bytes);
    run.platform.openFails = true;
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, std::vector<MessageBoxSpec>{kOpenFailureBox});
    EXPECT_THAT(run.view.statuses, ElementsAre("Opening Package"));
}

TEST(PackageWorkerTest, FolderThatCannotBeCreatedIsAnExtractionFailure) {
    WorkerRun run(testing_support::BuildPackage({kSetup}).bytes);
    run.platform.createFolderFails = true;
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, std::vector<MessageBoxSpec>{kExtractionFailureBox});
    EXPECT_THAT(run.platform.createdFiles, IsEmpty());
    EXPECT_THAT(run.log, ::testing::Not(::testing::Contains(::testing::StartsWith("rmdir"))));
}

TEST(PackageWorkerTest, SetupFailureBoxComesAfterTheWindowIsHidden) {
    WorkerRun run(testing_support::BuildPackage({kList}).bytes);
    run.Run();
    const auto hidden = std::find(run.log.begin(), run.log.end(), "hide window");
    const auto box = std::find(run.log.begin(), run.log.end(), "box SETUP.EXE Failure");
    ASSERT_NE(box, run.log.end());
    EXPECT_LT(hidden, box);
    ASSERT_FALSE(run.view.boxes.empty());
    EXPECT_EQ(run.view.boxes.front().owner, MessageOwner::None);
}

TEST(PackageWorkerTest, FileSetupLeftBehindIsARemovalFailure) {
    WorkerRun run(testing_support::BuildPackage({kCab, kSetup, kList}).bytes);
    run.platform.undeletable = {"setup.exe"};
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.view.boxes, std::vector<MessageBoxSpec>{kRemovalFailureBox});
    // The first failure ends the removal: the folder stays with what was not deleted.
    ASSERT_FALSE(run.platform.createdFolders.empty());
    const std::string& folder = run.platform.createdFolders.front();
    EXPECT_EQ(run.platform.nodes.count(folder), 1u);
    EXPECT_EQ(run.platform.FilesIn(folder).count("setup.exe"), 1u);
}

TEST(PackageWorkerTest, RemovesFoldersSetupCreatedAndHidesCancelOnEveryLevel) {
    WorkerRun run(testing_support::BuildPackage({kSetup}).bytes);
    run.platform.onSetup = [](FakePlatform& machine, const std::string& folder) {
        machine.nodes[folder + FakePath("/cache")] = {true, {}};
        machine.nodes[folder + FakePath("/cache/deep")] = {true, {}};
        machine.nodes[folder + FakePath("/cache/deep/log.txt")] = {false, ToBytes("log")};
        machine.nodes[folder + FakePath("/cache/a.tmp")] = {false, ToBytes("a")};
    };
    run.Run();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.view.boxes, IsEmpty());
    EXPECT_TRUE(run.OnlyTempFolderLeft());
    EXPECT_EQ(std::count(run.log.begin(), run.log.end(), "hide cancel"), 3);
}

}  // namespace
}  // namespace packager::test
