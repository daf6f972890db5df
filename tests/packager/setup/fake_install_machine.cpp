#include "tests/packager/setup/fake_install_machine.h"

#include <algorithm>

namespace setup::testing_support {

std::string MachinePath(std::string_view slashed) {
    std::string path(slashed);
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

void PrintTo(const MachineState& state, std::ostream* out) {
    for (const std::string& folder : state.folders) {
        *out << "\n  folder " << folder;
    }
    for (const auto& [path, bytes] : state.files) {
        *out << "\n  file " << path << ": " << bytes.size() << " bytes";
    }
    for (const auto& [key, values] : state.keys) {
        *out << "\n  key " << key;
        for (const auto& [name, value] : values) {
            *out << "\n    " << name << " = "
                 << (value.isNumber ? std::to_string(value.number) : value.text);
        }
    }
}

FakeInstallMachine::FakeInstallMachine() {
    state.folders.insert("M:");
    for (const char* key : {"HKLM", "HKLM\\Software", "HKCU", "HKCU\\Software"}) {
        state.keys[key];
    }
}

bool FakeInstallMachine::Change() {
    ++changes;
    return failAt == 0 || (powerCut ? changes < failAt : changes != failAt);
}

bool FakeInstallMachine::ParentIsFolder(const std::string& path) const {
    const std::optional<std::string> parent = ParentFolder(path);
    return parent && state.folders.contains(*parent);
}

bool FakeInstallMachine::Taken(const std::string& path) const {
    return state.folders.contains(path) || state.files.contains(path);
}

InstallPlatform::PathKind FakeInstallMachine::Find(const std::string& path) {
    if (state.folders.contains(path)) {
        return PathKind::kFolder;
    }
    return state.files.contains(path) ? PathKind::kFile : PathKind::kMissing;
}

std::optional<std::uint64_t> FakeInstallMachine::FileSize(const std::string& path) {
    const auto file = state.files.find(path);
    return file == state.files.end() ? std::nullopt
                                     : std::optional<std::uint64_t>(file->second.size());
}

std::optional<std::string> FakeInstallMachine::ReadFile(const std::string& path) {
    const auto file = state.files.find(path);
    return file == state.files.end() ? std::nullopt : std::optional<std::string>(file->second);
}

bool FakeInstallMachine::CreateFolder(const std::string& path) {
    if (!Change() || Taken(path) || !ParentIsFolder(path)) {
        return false;
    }
    state.folders.insert(path);
    return true;
}

bool FakeInstallMachine::CopyFile(const std::string& from, const std::string& to) {
    const std::optional<std::string> bytes = ReadFile(from);
    return bytes && WriteFile(to, *bytes);
}

bool FakeInstallMachine::WriteFile(const std::string& path, std::string_view text) {
    if (!Change() || Taken(path) || !ParentIsFolder(path)) {
        return false;
    }
    state.files[path] = text;
    return true;
}

bool FakeInstallMachine::CreateShortcut(const Shortcut& shortcut) {
    return WriteFile(shortcut.path, "shortcut to " + shortcut.target);
}

bool FakeInstallMachine::AppendFile(const std::string& path, std::string_view text) {
    const bool ok = Change();
    if (state.folders.contains(path) || !ParentIsFolder(path)) {
        return false;
    }
    if (!ok) {
        // A cut append leaves a torn line; another failure writes nothing.
        if (powerCut && changes == failAt) {
            state.files[path] += text.substr(0, text.size() / 2);
        }
        return false;
    }
    state.files[path] += text;
    if (text == kCommitLine) {
        commitChange = changes;
    }
    return true;
}

bool FakeInstallMachine::RemoveFile(const std::string& path) {
    if (!Change() || locked.contains(path) || state.folders.contains(path)) {
        return false;
    }
    state.files.erase(path);
    return true;
}

bool FakeInstallMachine::RemoveEmptyFolder(const std::string& path) {
    if (!Change()) {
        return false;
    }
    const auto inside = [&path](const std::string& other) { return IsInside(other, path); };
    if (std::any_of(state.folders.begin(), state.folders.end(), inside) ||
        std::any_of(state.files.begin(), state.files.end(),
                    [&](const auto& file) { return inside(file.first); })) {
        return false;
    }
    state.folders.erase(path);
    return true;
}

bool FakeInstallMachine::MoveFile(const std::string& from, const std::string& to) {
    if (!Change() || locked.contains(from) || !state.files.contains(from) || Taken(to) ||
        !ParentIsFolder(to)) {
        return false;
    }
    state.files[to] = std::move(state.files[from]);
    state.files.erase(from);
    return true;
}

bool FakeInstallMachine::KeyExists(const std::string& key) {
    return state.keys.contains(key);
}

bool FakeInstallMachine::CreateKey(const std::string& key) {
    const std::size_t cut = key.rfind('\\');
    if (!Change() || state.keys.contains(key) || cut == std::string::npos ||
        !state.keys.contains(key.substr(0, cut))) {
        return false;
    }
    state.keys[key];
    return true;
}

ValueRead FakeInstallMachine::ReadValue(const std::string& key, const std::string& name) {
    const auto found = state.keys.find(key);
    if (found == state.keys.end() || !found->second.contains(name)) {
        return {};
    }
    return {ValueRead::Status::kFound, found->second.at(name)};
}

bool FakeInstallMachine::SetRegistryValue(const std::string& key, const std::string& name,
                                          RegistryValue value) {
    const auto found = state.keys.find(key);
    if (!Change() || found == state.keys.end()) {
        return false;
    }
    found->second[name] = std::move(value);
    return true;
}

bool FakeInstallMachine::SetValue(const std::string& key, const std::string& name,
                                  const std::string& text) {
    return SetRegistryValue(key, name, RegistryValue::Text(text));
}

bool FakeInstallMachine::SetNumber(const std::string& key, const std::string& name,
                                   std::uint32_t number) {
    return SetRegistryValue(key, name, RegistryValue::Number(number));
}

bool FakeInstallMachine::DeleteValue(const std::string& key, const std::string& name) {
    if (!Change()) {
        return false;
    }
    if (const auto found = state.keys.find(key); found != state.keys.end()) {
        found->second.erase(name);
    }
    return true;
}

bool FakeInstallMachine::DeleteEmptyKey(const std::string& key) {
    if (!Change()) {
        return false;
    }
    const std::string below = key + "\\";
    if (std::any_of(state.keys.begin(), state.keys.end(),
                    [&](const auto& other) { return other.first.starts_with(below); })) {
        return false;
    }
    state.keys.erase(key);
    return true;
}

}  // namespace setup::testing_support
