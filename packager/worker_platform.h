// The operating-system services the extraction worker uses, one narrow operation each, so that
// the worker's logic runs the same on every platform and under test. Failures are values.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_source.h"

namespace packager {

// A file being extracted, open for writing; closed when destroyed.
class WritableFile {
  public:
    virtual ~WritableFile() = default;
    // False unless every byte was written.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Forces what was written so far onto the disk.
    virtual bool Flush() = 0;
};

struct FolderItem {
    std::string name;
    // A real folder; a link to a folder counts as a file, so that removal never follows it.
    bool isFolder = false;
};

struct FolderListing {
    bool opened = false;
    bool closedCleanly = true;
    std::vector<FolderItem> items;  // without "." and ".."
};

class WorkerPlatform {
  public:
    virtual ~WorkerPlatform() = default;

    // The full path of the program's own executable file.
    virtual std::optional<std::string> OwnPath() = 0;
    // Opens a file for reading only; closed when the source is destroyed.
    virtual std::unique_ptr<common::ByteSource> OpenForReading(const std::string& path) = 0;

    // The system's folder for temporary files, without a trailing separator.
    virtual std::optional<std::string> TempFolder() = 0;
    // Creates a new folder in parent whose name is prefix followed by characters of the
    // system's choosing, atomically (a name that exists is never reused) and readable only by
    // this user. Returns its path.
    virtual std::optional<std::string> CreateUniqueFolder(const std::string& parent,
                                                          std::string_view prefix) = 0;
    // Creates the file, replacing one of that name.
    virtual std::unique_ptr<WritableFile> CreateFile(const std::string& path) = 0;

    // Starts the program with no arguments, in this process's environment and current folder,
    // and waits until it ends; false when it could not be started. Its exit code is not read.
    virtual bool StartAndWait(const std::string& program) = 0;

    virtual FolderListing ListFolder(const std::string& folder) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& folder) = 0;
};

}  // namespace packager
