// A fake machine for the extraction worker: an in-memory file system with a temporary folder,
// the package as the program's own file, a setup program that "runs" a test's callback, and a
// progress window that records what it was asked and answers the cancel poll as scripted. Both
// halves write one ordered log, so that tests can check the order of steps.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "packager/format/entry_name.h"
#include "packager/package_worker.h"
#include "packager/progress_view.h"
#include "packager/worker_platform.h"
#include "tests/packager/test_packages.h"

namespace packager::testing_support {

using EventLog = std::vector<std::string>;

// The fake machine names its files as the platform does, with the separator the worker joins
// paths with: "/tmp/SFX..." on POSIX, "\tmp\SFX..." on Windows.
inline constexpr char kSeparator = packager::format::kPathSeparator;

// A path written with "/" between its parts, as the fake machine names it.
std::string FakePath(std::string_view slashed);

struct FakeNode {
    bool isFolder = false;
    Bytes bytes;
};

class FakePlatform final : public WorkerPlatform {
  public:
    explicit FakePlatform(EventLog& log);

    // Set up by the test.
    Bytes package;
    std::string tempFolder = FakePath("/tmp");
    bool ownPathFails = false;
    bool openFails = false;
    bool createFolderFails = false;
    std::set<std::string> undeletable;  // names of files that cannot be deleted
    // Runs as the started setup program, with the folder it was started from.
    std::function<void(FakePlatform&, const std::string& folder)> onSetup;
    // Call outOfMemoryAtCall, counted from 0, of the operation of this name ("CreateFile",
    // "Write", "FirstItem" ...) fails for want of memory: it returns its failure value.
    std::string outOfMemoryIn;
    int outOfMemoryAtCall = 0;

    // What happened.
    std::map<std::string, FakeNode> nodes;  // by full path; the temporary folder is there
    std::vector<std::string> createdFolders;
    std::vector<std::string> createdFiles;
    std::set<std::string> openFiles;
    std::optional<std::string> startedProgram;

    // The files of a folder (not its subfolders) with their bytes.
    std::map<std::string, Bytes> FilesIn(const std::string& folder) const;

    bool OwnPath(PathBuffer& path) override;
    common::ByteSource* OpenForReading(const char* path) override;
    void ClosePackage() override;
    bool TempFolder(PathBuffer& folder) override;
    bool CreateUniqueFolder(PathBuffer& path, std::string_view prefix) override;
    WritableFile* CreateFile(const char* path) override;
    void CloseFile() override;
    bool StartAndWait(const char* program) override;
    FolderItem FirstItem(PathBuffer& path) override;
    bool DeleteFile(const char* path) override;
    bool RemoveFolder(const char* folder) override;

    // Every operation, a file's Write and Flush included, begins here; false when this call
    // is the one that fails for want of memory.
    bool Begin(std::string_view operation);

    EventLog& log;

  private:
    bool ParentIsFolder(const std::string& path) const;
    int callsOfOutOfMemoryOperation_ = 0;
    std::unique_ptr<common::ByteSource> package_;
    std::unique_ptr<WritableFile> file_;
};

class FakeView final : public ProgressView {
  public:
    explicit FakeView(EventLog& log) : log_(log) {}

    // Cancel from the poll of this number on (counted from 0).
    std::optional<int> cancelAtPoll;
    // Cancel from the first poll after which this returns true for the log.
    std::function<bool(const EventLog&)> cancelWhen;
    bool logPolls = false;

    int polls = 0;
    std::vector<std::string> statuses;
    std::vector<std::uint32_t> percents;
    std::vector<MessageBoxSpec> boxes;

    void SetStatus(std::string_view phase) override;
    void SetProgress(std::uint32_t percent) override;
    bool IsCancelled() override;
    void HideWindow() override { log_.push_back("hide window"); }
    void HideCancelButton() override { log_.push_back("hide cancel"); }
    void ShowMessage(const MessageBoxSpec& box) override;

  private:
    EventLog& log_;
    bool cancelled_ = false;
};

// One run of the worker on the fake machine, remembering what setup found beside it.
struct WorkerRun {
    EventLog log;
    FakePlatform platform{log};
    FakeView view{log};
    std::unique_ptr<WorkerMemory> memory = std::make_unique_for_overwrite<WorkerMemory>();
    int exitCode = -1;
    std::map<std::string, Bytes> filesAtSetup;

    explicit WorkerRun(const Bytes& package);
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;
    void Run();

    std::vector<std::string> CreatedNames() const;
    bool Logged(const std::string& event) const;
    // Nothing but the temporary folder (and the folders above it) is left.
    bool OnlyTempFolderLeft() const;
};

}  // namespace packager::testing_support
