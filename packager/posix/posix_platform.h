// The extraction worker's services on Linux and other POSIX systems. Every descriptor is opened
// close-on-exec, so that the started setup program inherits none of them.
#pragma once

#include "packager/worker_platform.h"

namespace packager::posix {

class ChildSignalRelay;

class PosixPlatform : public WorkerPlatform {
  public:
    PosixPlatform() = default;
    // The setup program it starts is made known to the relay while it runs.
    explicit PosixPlatform(ChildSignalRelay& relay) : relay_(&relay) {}

    // The running executable, as /proc/self/exe names it.
    std::optional<std::string> OwnPath() override;
    std::unique_ptr<common::ByteSource> OpenForReading(const std::string& path) override;

    // $TMPDIR when it is set and not empty, else the system's default (/tmp).
    std::optional<std::string> TempFolder() override;
    // mkdtemp: prefix and six random characters, mode 0700, never an existing name.
    std::optional<std::string> CreateUniqueFolder(const std::string& parent,
                                                  std::string_view prefix) override;
    // Mode 0600, replacing a file of that name but never following a link in its place;
    // Flush is fdatasync.
    std::unique_ptr<WritableFile> CreateFile(const std::string& path) override;

    // Makes the program executable for its owner, starts it with posix_spawn (no arguments,
    // this environment and current folder, default signal handling) and waits for it.
    bool StartAndWait(const std::string& program) override;

    // Lists without following links: a link to a folder is reported as a file.
    FolderListing ListFolder(const std::string& folder) override;
    bool DeleteFile(const std::string& path) override;
    bool RemoveFolder(const std::string& folder) override;

  private:
    ChildSignalRelay* relay_ = nullptr;
};

}  // namespace packager::posix
