#include "tests/packager/fake_worker_world.h"

#include <algorithm>
#include <vector>

#include "common/byte_source.h"
#include "packager/package_worker.h"

namespace packager::testing_support {

namespace {

// Windows takes "/" for a separator too, so a name holding one reaches another folder there.
constexpr std::string_view kSeparators = kSeparator == '\\' ? "\\/" : "/";

std::string Parent(const std::string& path) {
    const std::size_t last = path.find_last_of(kSeparators);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

// Resolves "." and ".." as a file system would, so that a path that climbs out of a folder
// lands where it really would.
std::string Normalise(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find_first_of(kSeparators, start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string normal;
    for (const std::string& part : parts) {
        normal.append(1, kSeparator).append(part);
    }
    return normal.empty() ? std::string(1, kSeparator) : normal;
}

std::string Leaf(const std::string& path) {
    const std::size_t last = path.find_last_of(kSeparators);
    return last == std::string::npos ? path : path.substr(last + 1);
}

class LoggingSource final : public common::ByteSource {
  public:
    LoggingSource(const Bytes& bytes, EventLog& log) : source_(bytes), log_(log) {}

    std::uint64_t Size() const override { return source_.Size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        log_.push_back("read " + std::to_string(out.size()));
        return source_.ReadAt(offset, out);
    }

  private:
    common::MemoryByteSource source_;
    EventLog& log_;
};

class FakeFile final : public WritableFile {
  public:
    FakeFile(FakePlatform& platform, std::string path)
        : platform_(platform), path_(std::move(path)) {}
    ~FakeFile() override {
        platform_.openFiles.erase(path_);
        platform_.log.push_back("close " + Leaf(path_));
    }

    bool Write(std::span<const std::uint8_t> bytes) override {
        if (!platform_.Begin("Write")) {
            return false;
        }
        platform_.log.push_back("write " + std::to_string(bytes.size()));
        Bytes& content = platform_.nodes.at(path_).bytes;
        content.insert(content.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool Flush() override {
        if (!platform_.Begin("Flush")) {
            return false;
        }
        platform_.log.push_back("flush");
        return true;
    }

  private:
    FakePlatform& platform_;
    std::string path_;
};

}  // namespace

std::string FakePath(std::string_view slashed) {
    std::string path(slashed);
    std::replace(path.begin(), path.end(), '/', kSeparator);
    return path;
}

FakePlatform::FakePlatform(EventLog& eventLog) : log(eventLog) {
    nodes[FakePath("/tmp")] = {true, {}};
}

std::map<std::string, Bytes> FakePlatform::FilesIn(const std::string& folder) const {
    std::map<std::string, Bytes> files;
    for (const auto& [path, node] : nodes) {
        if (!node.isFolder && Parent(path) == folder) {
            files[Leaf(path)] = node.bytes;
        }
    }
    return files;
}

bool FakePlatform::ParentIsFolder(const std::string& path) const {
    const auto parent = nodes.find(Parent(path));
    return parent != nodes.end() && parent->second.isFolder;
}

bool FakePlatform::OwnPath(PathBuffer& path) {
    return Begin("OwnPath") && !ownPathFails && path.Assign(FakePath("/opt/VEXOSetup"));
}

common::ByteSource* FakePlatform::OpenForReading(const char* path) {
    if (!Begin("OpenForReading")) {
        return nullptr;
    }
    log.push_back("open " + std::string(path));
    if (openFails || path != FakePath("/opt/VEXOSetup")) {
        return nullptr;
    }
    package_ = std::make_unique<LoggingSource>(package, log);
    return package_.get();
}

void FakePlatform::ClosePackage() {
    package_.reset();
}

bool FakePlatform::TempFolder(PathBuffer& folder) {
    return Begin("TempFolder") && folder.Assign(tempFolder);
}

bool FakePlatform::CreateUniqueFolder(PathBuffer& path, std::string_view prefix) {
    if (!Begin("CreateUniqueFolder")) {
        return false;
    }
    const std::string made = std::string(path.View()) + kSeparator + std::string(prefix) + "q7Zk" +
                             std::to_string(createdFolders.size());
    log.push_back("mkdir " + Leaf(made));
    if (createFolderFails || nodes.count(made) != 0 || !ParentIsFolder(made) ||
        !path.Assign(made)) {
        return false;
    }
    nodes[made] = {true, {}};
    createdFolders.push_back(made);
    return true;
}

WritableFile* FakePlatform::CreateFile(const char* asked) {
    if (!Begin("CreateFile")) {
        return nullptr;
    }
    log.push_back("create " + Leaf(asked));
    const std::string path = Normalise(asked);
    if (!ParentIsFolder(path) || (nodes.count(path) != 0 && nodes[path].isFolder)) {
        return nullptr;
    }
    nodes[path] = {false, {}};
    createdFiles.push_back(path);
    openFiles.insert(path);
    file_ = std::make_unique<FakeFile>(*this, path);
    return file_.get();
}

void FakePlatform::CloseFile() {
    file_.reset();
}

bool FakePlatform::StartAndWait(const char* asked) {
    if (!Begin("StartAndWait")) {
        return false;
    }
    const std::string program = asked;
    log.push_back("start " + program);
    const auto node = nodes.find(program);
    if (node == nodes.end() || node->second.isFolder) {
        return false;
    }
    startedProgram = program;
    if (onSetup) {
        onSetup(*this, Parent(program));
    }
    return true;
}

FolderItem FakePlatform::FirstItem(PathBuffer& path) {
    if (!Begin("FirstItem")) {
        return FolderItem::Failed;
    }
    const std::string folder(path.View());
    const auto node = nodes.find(folder);
    if (node == nodes.end() || !node->second.isFolder) {
        return FolderItem::Nothing;
    }
    for (const auto& [child, item] : nodes) {
        if (Parent(child) == folder) {
            if (!path.Append(std::string(1, kSeparator) + Leaf(child))) {
                return FolderItem::Failed;
            }
            return item.isFolder ? FolderItem::Folder : FolderItem::File;
        }
    }
    return FolderItem::Nothing;
}

bool FakePlatform::DeleteFile(const char* asked) {
    if (!Begin("DeleteFile")) {
        return false;
    }
    const std::string path = asked;
    log.push_back("delete " + Leaf(path));
    // Like Windows, a file that is still open cannot be deleted.
    const auto node = nodes.find(path);
    if (node == nodes.end() || node->second.isFolder || openFiles.count(path) != 0 ||
        undeletable.count(Leaf(path)) != 0) {
        return false;
    }
    nodes.erase(node);
    return true;
}

bool FakePlatform::RemoveFolder(const char* asked) {
    if (!Begin("RemoveFolder")) {
        return false;
    }
    const std::string folder = asked;
    log.push_back("rmdir " + Leaf(folder));
    const auto node = nodes.find(folder);
    if (node == nodes.end() || !node->second.isFolder ||
        std::any_of(nodes.begin(), nodes.end(),
                    [&](const auto& entry) { return Parent(entry.first) == folder; })) {
        return false;
    }
    nodes.erase(node);
    return true;
}

bool FakePlatform::Begin(std::string_view operation) {
    return operation != outOfMemoryIn || callsOfOutOfMemoryOperation_++ != outOfMemoryAtCall;
}

void FakeView::SetStatus(std::string_view phase) {
    statuses.emplace_back(phase);
    log_.push_back("status " + std::string(phase));
}

void FakeView::SetProgress(std::uint32_t percent) {
    percents.push_back(percent);
    log_.push_back("progress " + std::to_string(percent));
}

bool FakeView::IsCancelled() {
    const int poll = polls++;
    if ((cancelAtPoll && poll >= *cancelAtPoll) || (cancelWhen && cancelWhen(log_))) {
        cancelled_ = true;
    }
    if (logPolls) {
        log_.push_back("poll");
    }
    return cancelled_;
}

void FakeView::ShowMessage(const MessageBoxSpec& box) {
    boxes.push_back(box);
    log_.push_back("box " + std::string(box.caption));
}

WorkerRun::WorkerRun(const Bytes& package) {
    platform.package = package;
    platform.onSetup = [this](FakePlatform& machine, const std::string& folder) {
        filesAtSetup = machine.FilesIn(folder);
    };
}

void WorkerRun::Run() {
    exitCode = PackageWorker(platform, view, *memory);
}

std::vector<std::string> WorkerRun::CreatedNames() const {
    std::vector<std::string> names;
    for (const std::string& path : platform.createdFiles) {
        names.push_back(Leaf(path));
    }
    return names;
}

bool WorkerRun::Logged(const std::string& event) const {
    return std::find(log.begin(), log.end(), event) != log.end();
}

bool WorkerRun::OnlyTempFolderLeft() const {
    return std::all_of(platform.nodes.begin(), platform.nodes.end(), [this](const auto& node) {
        return node.first == FakePath("/tmp") || node.first == platform.tempFolder;
    });
}

}  // namespace packager::testing_support
