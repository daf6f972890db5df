// A machine of the test's own for the Win32 main window: a Program Files folder in a private
// temporary folder, an in-memory registry holding the media library's entry, the library's
// program with a real version resource, and a media library held in memory.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "importer/files/version_api.h"
#include "importer/forms/frmMain.h"
#include "importer/itunes/library/pe_image.h"
#include "importer/registry/registry_api.h"
#include "tests/importer/fake_library.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace plumex::win32::testing {

// One key's values, found by its path without regard to case; enough for the start-up checks.
class MemoryRegistry final : public registry::RegistryApi {
  public:
    static constexpr registry::Hkey kOpenKey = 0x100;

    void SetString(std::string_view keyPath, std::string_view name, std::string_view text) {
        keyPath_ = Upper(keyPath);
        values_[Upper(name)] = std::string(text) + '\0';
    }

    registry::Status RegOpenKeyEx(registry::Hkey key, std::string_view subKey, registry::Access,
                                  registry::Hkey& result) override {
        if (key != registry::kHkeyLocalMachine || values_.empty() || Upper(subKey) != keyPath_) {
            return registry::kErrorFileNotFound;
        }
        result = kOpenKey;
        return registry::kErrorSuccess;
    }
    registry::Status RegQueryValueEx(registry::Hkey key, std::string_view valueName,
                                     std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* dataSize) override {
        const auto found = values_.find(Upper(valueName));
        if (key != kOpenKey || found == values_.end()) {
            return registry::kErrorFileNotFound;
        }
        const auto size = static_cast<std::uint32_t>(found->second.size());
        if (type != nullptr) {
            *type = registry::kRegSz;
        }
        if (data != nullptr && dataSize != nullptr && *dataSize < size) {
            *dataSize = size;
            return registry::kErrorMoreData;
        }
        if (data != nullptr) {
            std::memcpy(data, found->second.data(), size);
        }
        if (dataSize != nullptr) {
            *dataSize = size;
        }
        return registry::kErrorSuccess;
    }
    registry::Status RegCloseKey(registry::Hkey) override { return registry::kErrorSuccess; }

    registry::Status RegCreateKeyEx(registry::Hkey, std::string_view, registry::Access,
                                    registry::Hkey&) override {
        return registry::kErrorAccessDenied;
    }
    registry::Status RegSetValueEx(registry::Hkey, std::string_view, std::uint32_t,
                                   const std::uint8_t*, std::uint32_t) override {
        return registry::kErrorAccessDenied;
    }
    registry::Status RegEnumKeyEx(registry::Hkey, std::uint32_t, char*, std::uint32_t&) override {
        return registry::kErrorNoMoreItems;
    }
    registry::Status RegEnumValue(registry::Hkey, std::uint32_t, char*, std::uint32_t&,
                                  std::uint32_t*, std::uint8_t*, std::uint32_t*) override {
        return registry::kErrorNoMoreItems;
    }
    registry::Status RegDeleteKey(registry::Hkey, std::string_view) override {
        return registry::kErrorAccessDenied;
    }
    registry::Status RegDeleteValue(registry::Hkey, std::string_view) override {
        return registry::kErrorAccessDenied;
    }
    registry::Status RegNotifyChangeKeyValue(registry::Hkey, bool, std::uint32_t,
                                             registry::EventHandle, bool) override {
        return registry::kErrorAccessDenied;
    }

  private:
    static std::string Upper(std::string_view text) {
        std::string upper(text);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return upper;
    }

    std::string keyPath_;
    std::map<std::string, std::string> values_;
};

class TestMachine {
  public:
    TestMachine() { std::filesystem::create_directories(ProgramFiles()); }

    std::filesystem::path ProgramFiles() const { return folder_.path() / "Program Files"; }
    std::filesystem::path Root() const { return folder_.path() / "TV"; }

    // PROGRAMFILES names a folder that is not there.
    void LoseProgramFiles() {
        lostProgramFiles_.emplace("PROGRAMFILES", (folder_.path() / "nowhere").string());
    }

    void InstallLibrary(const std::string& fileVersion = "7.1.0.59") {
        registry_.SetString("SOFTWARE\\Apple Computer, Inc.\\iTunes", "ProgramFolder", "iTunes");
        itunes::library::VersionInfo info;
        info.stringTables.push_back({"040904B0", {{"FileVersion", fileVersion}}});
        info.translations = std::vector<itunes::library::Translation>{{0x0409, 1200}};
        vexo::test_support::WriteBytes(ProgramFiles() / "iTunes" / "iTunes.EXE",
                                       itunes::library::BuildVersionedImage(info));
    }

    void Episode(const std::string& relative) {
        vexo::test_support::WriteFile(Root() / relative, "x");
    }

    // The system's environment and version reader, with the registry and the media library of
    // this machine.
    forms::StartupServices Services() {
        forms::StartupServices services = forms::SystemStartupServices();
        services.registry = &registry_;
        services.createObject = [this](std::string_view) -> itunes::Ref<itunes::Application> {
            auto application = std::make_shared<importer::fakes::FakeApplication>();
            playlist = std::make_shared<importer::fakes::FakePlaylist>();
            playlist->busyReads = 1;
            playlist->onStatusRead = onStatusRead;
            application->playlists["Movies"] = playlist;
            return application;
        };
        return services;
    }

    // Runs at every poll of an added file's progress, inside the import.
    std::function<void()> onStatusRead;
    std::shared_ptr<importer::fakes::FakePlaylist> playlist;

  private:
    vexo::test_support::TempFolder folder_{"vexo-win32-main"};
    vexo::test_support::ScopedVariable programFiles_{"PROGRAMFILES", ProgramFiles().string()};
    std::optional<vexo::test_support::ScopedVariable> lostProgramFiles_;
    MemoryRegistry registry_;
};

}  // namespace plumex::win32::testing
