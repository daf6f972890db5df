// The extraction worker's services on Windows, on the A (8-bit code page) functions, as the
// package's names are. No handle is inheritable, so the started setup program inherits none.
#pragma once

#include "packager/win32/win32_files.h"
#include "packager/worker_platform.h"

namespace packager::win32 {

class Win32Platform final : public WorkerPlatform {
  public:
    // GetModuleFileNameA of the program's own executable.
    bool OwnPath(PathBuffer& path) override;
    // Read access only, no sharing (nobody may change the package while it is read), with the
    // sequential-scan hint.
    common::ByteSource* OpenForReading(const char* path) override;
    void ClosePackage() override;

    // GetTempPathA, without its trailing "\".
    bool TempFolder(PathBuffer& folder) override;
    // CreateDirectoryA on prefix and six random letters or digits, with new names while the name
    // is taken: the folder is always a new one. Its access list grants this user alone, and
    // everything created inside inherits that.
    bool CreateUniqueFolder(PathBuffer& path, std::string_view prefix) override;
    // Always created (an old file of the name is replaced), no sharing, write-through; Flush is
    // FlushFileBuffers.
    WritableFile* CreateFile(const char* path) override;
    void CloseFile() override;

    // CreateProcessA with the program as the application name and its quoted path as the whole
    // command line, so that blanks in the temporary folder's path cannot make another program
    // start; shown normally, this process's environment and current folder. Waits for its end.
    // A program whose path is longer than an entry's can be was never extracted: it fails.
    bool StartAndWait(const char* program) override;

    // Never lists through a link: the folder itself must be a real one, and a link to a folder
    // inside it (a reparse point) is reported as a file.
    FolderItem FirstItem(PathBuffer& path) override;
    // A file, or a link to a folder, which is removed as a link without touching its target.
    bool DeleteFile(const char* path) override;
    bool RemoveFolder(const char* folder) override;

  private:
    PackageFile package_;
    EntryFile entry_;
};

}  // namespace packager::win32
