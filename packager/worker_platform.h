// The operating-system services the extraction worker uses, one narrow operation each, so that
// the worker's logic runs the same on every platform and under test. Failures are values: a call
// that fails for want of memory or another resource of the system fails as it would for any
// other reason. No operation asks for memory of its own: paths are written into the caller's
// buffers, and the one package and the one entry file open at a time are the platform's.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "common/byte_source.h"
#include "packager/path_buffer.h"

namespace packager {

// A file being extracted, open for writing.
class WritableFile {
  public:
    virtual ~WritableFile() = default;
    // False unless every byte was written.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Forces what was written so far onto the disk.
    virtual bool Flush() = 0;
};

// What a look into a folder found first.
enum class FolderItem {
    // Nothing inside but "." and "..", or no real folder to look into (a file, a link, nothing,
    // or one that cannot be opened).
    Nothing,
    // A file, or a link of any kind, which removal never follows; its name was appended.
    File,
    // A real folder; its name was appended.
    Folder,
    // The listing broke off, or the name does not fit the path.
    Failed,
};

class WorkerPlatform {
  public:
    virtual ~WorkerPlatform() = default;

    // The full path of the program's own executable file; false when it cannot be read or does
    // not fit.
    virtual bool OwnPath(PathBuffer& path) = 0;
    // Opens a file for reading only; null when it cannot be. The source is the platform's: it
    // stays open until ClosePackage, and one is open at a time.
    virtual common::ByteSource* OpenForReading(const char* path) = 0;
    virtual void ClosePackage() = 0;

    // The system's folder for temporary files, without a trailing separator.
    virtual bool TempFolder(PathBuffer& folder) = 0;
    // Creates a new folder in the folder that path names, whose name is prefix followed by
    // characters of the system's choosing, atomically (a name that exists is never reused) and
    // readable only by this user. path then names the new folder; on failure it is unchanged.
    virtual bool CreateUniqueFolder(PathBuffer& path, std::string_view prefix) = 0;
    // Creates the file, replacing one of that name; null when it cannot be. The file is the
    // platform's: it stays open until CloseFile, and one is open at a time.
    virtual WritableFile* CreateFile(const char* path) = 0;
    virtual void CloseFile() = 0;

    // Starts the program with no arguments, in this process's environment and current folder,
    // and waits until it ends; false when it could not be started. Its exit code is not read.
    virtual bool StartAndWait(const char* program) = 0;

    // Looks into the folder that path names, never through a link, for its first item other
    // than "." and ".."; a File or Folder found is named by appending the platform's separator
    // and its name to path. The listing is closed again before it returns.
    virtual FolderItem FirstItem(PathBuffer& path) = 0;
    virtual bool DeleteFile(const char* path) = 0;
    virtual bool RemoveFolder(const char* folder) = 0;
};

// What the platform opened - the package (ClosePackage) or an entry file (CloseFile) - closed
// when this goes, or before by Close.
template <typename Object, void (WorkerPlatform::*kClose)()>
class Opened {
  public:
    Opened(WorkerPlatform& platform, Object* object) : platform_(platform), object_(object) {}
    ~Opened() { Close(); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

    explicit operator bool() const { return object_ != nullptr; }
    Object& operator*() const { return *object_; }
    Object* operator->() const { return object_; }

    void Close() {
        if (object_ != nullptr) {
            object_ = nullptr;
            (platform_.*kClose)();
        }
    }

  private:
    WorkerPlatform& platform_;
    Object* object_;
};
using OpenedPackage = Opened<common::ByteSource, &WorkerPlatform::ClosePackage>;
using OpenedFile = Opened<WritableFile, &WorkerPlatform::CloseFile>;

}  // namespace packager
