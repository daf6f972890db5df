// The install's operations on Win32: files through kernel32's wide functions, written through
// to the disk before an operation returns; the registry through advapi32; shortcuts through the
// shell's link object (COM must be set up on the calling thread).
#pragma once

#include <cstdint>
#include <string>

#include "packager/setup/install_journal.h"
#include "packager/setup/win32/setup_windows.h"

namespace setup::win32 {

class Win32InstallPlatform final : public InstallPlatform {
  public:
    PathKind Find(const std::string& path) override;
    std::optional<std::uint64_t> FileSize(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;

    bool CreateFolder(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    bool WriteFile(const std::string& path, std::string_view text) override;
    bool CreateShortcut(const Shortcut& shortcut) override;
    bool AppendFile(const std::string& path, std::string_view text) override;

    bool RemoveFile(const std::string& path) override;
    bool RemoveEmptyFolder(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;

    bool KeyExists(const std::string& key) override;
    bool CreateKey(const std::string& key) override;
    ValueRead ReadValue(const std::string& key, const std::string& name) override;
    bool SetValue(const std::string& key, const std::string& name,
                  const std::string& text) override;
    bool SetNumber(const std::string& key, const std::string& name, std::uint32_t number) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;
    bool DeleteEmptyKey(const std::string& key) override;

    std::string LastError() override;

  private:
    // Keeps the code of a failure for LastError; false.
    bool Failed(DWORD code);
    bool Failed() { return Failed(::GetLastError()); }
    bool SetRegistryValue(const std::string& key, const std::string& name, DWORD type,
                          const void* data, DWORD size);

    DWORD error_ = ERROR_SUCCESS;
};

}  // namespace setup::win32
