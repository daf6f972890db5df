// The extraction worker's services on Linux and other POSIX systems. Every descriptor is opened
// close-on-exec, so that the started setup program inherits none of them.
#pragma once

#include <cstdint>
#include <span>

#include "common/byte_source.h"
#include "common/posix/unique_fd.h"
#include "packager/worker_platform.h"

namespace packager::posix {

class ChildSignalRelay;

// The package, read by offset; the platform keeps one and opens it again for the next file.
class PackageFile final : public common::ByteSource {
  public:
    // Closes what was open; false when the file cannot be opened.
    bool Open(const char* path);
    void Close() { fd_.Close(); }

    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    common::posix::UniqueFd fd_;
    std::uint64_t size_ = 0;
};

// An entry's file, written block by block; kept and created again like the package.
class EntryFile final : public WritableFile {
  public:
    // Closes what was open; false when the file cannot be created.
    bool Create(const char* path);
    void Close() { fd_.Close(); }

    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Flush() override;

  private:
    common::posix::UniqueFd fd_;
};

class PosixPlatform : public WorkerPlatform {
  public:
    PosixPlatform() = default;
    // The setup program it starts is made known to the relay while it runs.
    explicit PosixPlatform(ChildSignalRelay& relay) : relay_(&relay) {}

    // The running executable, as /proc/self/exe names it.
    bool OwnPath(PathBuffer& path) override;
    common::ByteSource* OpenForReading(const char* path) override;
    void ClosePackage() override;

    // $TMPDIR when it is set and not empty, else the system's default (/tmp).
    bool TempFolder(PathBuffer& folder) override;
    // mkdtemp: prefix and six random characters, mode 0700, never an existing name.
    bool CreateUniqueFolder(PathBuffer& path, std::string_view prefix) override;
    // Mode 0600, replacing a file of that name but never following a link in its place;
    // Flush is fdatasync.
    WritableFile* CreateFile(const char* path) override;
    void CloseFile() override;

    // Makes the program executable for its owner, starts it with posix_spawn (no arguments,
    // this environment and current folder, default signal handling) and waits for it.
    bool StartAndWait(const char* program) override;

    // Lists without following links: a link to a folder is reported as a file.
    FolderItem FirstItem(PathBuffer& path) override;
    bool DeleteFile(const char* path) override;
    bool RemoveFolder(const char* folder) override;

  private:
    ChildSignalRelay* relay_ = nullptr;
    PackageFile package_;
    EntryFile entry_;
};

}  // namespace packager::posix
