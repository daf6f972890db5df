// The install's file operations on POSIX calls. Whatever an operation made, moved or removed is
// on the disk when it returns (the file and the folder that names it flushed), so that the
// journal, written before each step, never lags behind what a crash leaves.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "packager/setup/install_journal.h"

namespace setup::posix {

class PosixInstallPlatform : public InstallPlatform {
  public:
    // programs: the folder whose files are programs, made executable (for whom the user's umask
    // allows).
    explicit PosixInstallPlatform(std::string programs) : programs_(std::move(programs)) {}

    // A file the setup makes itself (the uninstall script): reading or copying source gives text.
    void Provide(std::string source, std::string text);
    // The text every shortcut is written from: a desktop entry whose Exec line names the program
    // by its bare name.
    void SetDesktopEntry(std::string text) { desktopEntry_ = std::move(text); }
    // Asked before every line of the journal, which comes before every step: once it answers
    // true (a signal asked the setup to end), the next step fails and the install is undone.
    void SetStopRequest(std::function<bool()> stopRequested) {
        stopRequested_ = std::move(stopRequested);
    }

    // Links are not followed, except that a link to a folder is that folder, as for every
    // program that makes files in it (a ~/.local/bin that links elsewhere); a link to anything
    // else is a file, replaced rather than written through.
    PathKind Find(const std::string& path) override;
    std::optional<std::uint64_t> FileSize(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;

    bool CreateFolder(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    bool WriteFile(const std::string& path, std::string_view text) override;
    // A desktop entry at the shortcut's path that starts its target by the target's full path.
    bool CreateShortcut(const Shortcut& shortcut) override;
    bool AppendFile(const std::string& path, std::string_view text) override;

    bool RemoveFile(const std::string& path) override;
    bool RemoveEmptyFolder(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;

    std::string LastError() override { return error_; }

  private:
    bool Fail(std::string_view what, const std::string& path);
    bool WriteNew(const std::string& path, std::string_view bytes, mode_t mode);

    std::string programs_;
    std::string desktopEntry_;
    std::map<std::string, std::string, std::less<>> provided_;
    std::function<bool()> stopRequested_;
    std::string error_;
};

}  // namespace setup::posix
