// The extraction worker's services on Windows, on the A (8-bit code page) functions, as the
// package's names are. No handle is inheritable, so the started setup program inherits none.
#pragma once

#include "packager/worker_platform.h"

namespace packager::win32 {

class Win32Platform final : public WorkerPlatform {
  public:
    // GetModuleFileNameA of the program's own executable.
    std::optional<std::string> OwnPath() override;
    // Read access only, no sharing (nobody may change the package while it is read), with the
    // sequential-scan hint.
    std::unique_ptr<common::ByteSource> OpenForReading(const std::string& path) override;

    // GetTempPathA, without its trailing "\".
    std::optional<std::string> TempFolder() override;
    // CreateDirectoryA on prefix and six random letters or digits, with new names while the name
    // is taken: the folder is always a new one. Its access list grants this user alone, and
    // everything created inside inherits that.
    std::optional<std::string> CreateUniqueFolder(const std::string& parent,
                                                  std::string_view prefix) override;
    // Always created (an old file of the name is replaced), no sharing, write-through; Flush is
    // FlushFileBuffers.
    std::unique_ptr<WritableFile> CreateFile(const std::string& path) override;

    // CreateProcessA with the program as the application name and its quoted path as the whole
    // command line, so that blanks in the temporary folder's path cannot make another program
    // start; shown normally, this process's environment and current folder. Waits for its end.
    bool StartAndWait(const std::string& program) override;

    // Never lists through a link: the folder itself must be a real one, and a link to a folder
    // inside it (a reparse point) is reported as a file.
    FolderListing ListFolder(const std::string& folder) override;
    // A file, or a link to a folder, which is removed as a link without touching its target.
    bool DeleteFile(const std::string& path) override;
    bool RemoveFolder(const std::string& folder) override;
};

}  // namespace packager::win32
