// A fake machine for the setup core: files, folders and a registry in memory, behind the
// InstallPlatform seam. Every operation that changes something is counted, and the one a test
// names fails; as a power cut, every one after it fails too, and an append it cuts short
// leaves half its text.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "packager/setup/install_journal.h"
#include "packager/setup/setup_path.h"

namespace setup::testing_support {

// A path of the fake machine, written with "/" between its parts: "M:/pf/VEXO" names the
// folder with the platform's separator. "M:" is the machine's root folder.
std::string MachinePath(std::string_view slashed);

// What a test compares: the machine's whole state.
struct MachineState {
    std::set<std::string> folders;
    std::map<std::string, std::string> files;
    std::map<std::string, std::map<std::string, RegistryValue>> keys;

    bool operator==(const MachineState&) const = default;
};
// Lists the state, one thing a line, so that a failed comparison shows what differs.
void PrintTo(const MachineState& state, std::ostream* out);

class FakeInstallMachine final : public InstallPlatform {
  public:
    // The root folder, and the registry down to HKLM's and HKCU's Software keys.
    FakeInstallMachine();

    MachineState state;
    int changes = 0;               // operations that changed or tried to change something
    int failAt = 0;                // this one (counted from 1) fails; 0: none
    bool powerCut = false;         // and every one after it
    std::set<std::string> locked;  // files that can be neither removed nor moved
    int commitChange = 0;          // the change that appended a journal's commit line

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

  private:
    // Counts a change; false when it is to fail.
    bool Change();
    bool ParentIsFolder(const std::string& path) const;
    bool Taken(const std::string& path) const;
    bool SetRegistryValue(const std::string& key, const std::string& name, RegistryValue value);
};

}  // namespace setup::testing_support
