#include "importer/itunes/library/library_install.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <system_error>

#include "common/environment.h"
#include "common/machine_prefix.h"
#include "importer/files/path.h"
#include "importer/files/text.h"
#include "importer/itunes/library/media_library.h"
#include "importer/itunes/library/pe_image.h"
#include "importer/registry/opened_key.h"

namespace itunes::library {
namespace {

namespace fs = std::filesystem;
using registry::kErrorFileNotFound;
using registry::kErrorSuccess;
using registry::kHkeyLocalMachine;
using registry::OpenedKey;

// The entry's key as the report names it, with its hive.
const std::string kFullKeyName = "HKEY_LOCAL_MACHINE\\" + std::string(kLibraryRegistryKey);

std::string VersionText() {
    std::string text;
    for (std::uint16_t part : kLibraryAutomationVersion) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(part);
    }
    return text;
}

std::string Join(std::string_view folder, std::string_view name) {
    return basFiles::AddTrailing(folder, basFiles::kPathSeparator) + std::string(name);
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// The text of ProgramFolder, or std::nullopt when the value (or its key) is missing or is not
// a text.
std::optional<std::string> ReadProgramFolder(registry::RegistryApi& api) {
    OpenedKey key(api);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (key.Open(kHkeyLocalMachine, kLibraryRegistryKey, registry::kKeyQueryValue) !=
            kErrorSuccess ||
        api.RegQueryValueEx(key.get(), kProgramFolderValue, &type, nullptr, &size) !=
            kErrorSuccess ||
        type != registry::kRegSz) {
        return std::nullopt;
    }
    std::string text(size, '\0');
    if (api.RegQueryValueEx(key.get(), kProgramFolderValue, &type,
                            reinterpret_cast<std::uint8_t*>(text.data()), &size) != kErrorSuccess ||
        type != registry::kRegSz) {
        return std::nullopt;
    }
    text.resize(std::min<std::size_t>(size, text.size()));
    return text.substr(0, text.find('\0'));
}

bool InstallRegistryEntry(registry::RegistryApi& api, std::ostream& report, std::ostream& err) {
    const std::optional<std::string> existing = ReadProgramFolder(api);
    if (existing == kLibraryProgramFolder) {
        report << "Registry: " << kFullKeyName << " " << kProgramFolderValue << " is \""
               << kLibraryProgramFolder << "\" already\n";
        return true;
    }
    OpenedKey key(api);
    registry::Status status =
        key.Create(kHkeyLocalMachine, kLibraryRegistryKey, registry::kKeyWrite);
    if (status == kErrorSuccess) {
        std::vector<std::uint8_t> data(kLibraryProgramFolder.begin(), kLibraryProgramFolder.end());
        data.push_back(0);
        status = api.RegSetValueEx(key.get(), kProgramFolderValue, registry::kRegSz, data.data(),
                                   static_cast<std::uint32_t>(data.size()));
    }
    if (status != kErrorSuccess) {
        err << "vexo library: cannot write " << kFullKeyName << " " << kProgramFolderValue
            << " (registry error " << status << ")\n";
        return false;
    }
    report << "Registry: " << kFullKeyName << " " << kProgramFolderValue << " set to \""
           << kLibraryProgramFolder << "\"" << (existing ? " (was \"" + *existing + "\")" : "")
           << "\n";
    return true;
}

bool InstallProgramFile(std::ostream& report, std::ostream& err) {
    const std::string folder = LibraryProgramFolderPath();
    const std::string path = LibraryProgramFilePath();
    const std::vector<std::uint8_t> image = LibraryProgramImage();
    if (ReadBytes(path) == image) {
        report << "Program file: " << path << " is current already\n";
        return true;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !itunes::library::WriteFileBytes(path, image)) {
        err << "vexo library: cannot write " << path
            << (error ? ": " + error.message() : std::string()) << "\n";
        return false;
    }
    report << "Program file: " << path << " written (version " << VersionText() << ")\n";
    return true;
}

bool InstallDatabase(std::ostream& report, std::ostream& err) {
    const std::string path = common::MediaLibraryPath();
    std::error_code ignored;
    const bool existed = fs::exists(path, ignored);
    if (itunes::library::MediaLibrary::Open(path) == nullptr) {
        err << "vexo library: cannot " << (existed ? "open" : "create") << " the database " << path
            << "\n";
        return false;
    }
    report << "Database: " << path << (existed ? " is present already\n" : " created\n");
    return true;
}

// True when an opened key has neither values nor subkeys.
bool KeyIsEmpty(registry::RegistryApi& api, registry::Hkey key) {
    // The first of each answers "no more items" only when there is none.
    char name[256];
    std::uint32_t nameLength = sizeof name;
    if (api.RegEnumKeyEx(key, 0, name, nameLength) != registry::kErrorNoMoreItems) {
        return false;
    }
    nameLength = sizeof name;
    const registry::Status value =
        api.RegEnumValue(key, 0, name, nameLength, nullptr, nullptr, nullptr);
    return value == registry::kErrorNoMoreItems;
}

// Deletes hive\subKey when nothing is left in it; a key that holds something of someone
// else's stays. False only when the delete itself failed.
bool DeleteKeyIfEmpty(registry::RegistryApi& api, std::string_view subKey) {
    bool empty = false;
    {
        OpenedKey key(api);
        if (key.Open(kHkeyLocalMachine, subKey, registry::kKeyRead) != kErrorSuccess) {
            return true;
        }
        empty = KeyIsEmpty(api, key.get());
    }
    return !empty || api.RegDeleteKey(kHkeyLocalMachine, subKey) == kErrorSuccess;
}

bool UninstallRegistryEntry(registry::RegistryApi& api, std::ostream& report, std::ostream& err) {
    registry::Status status = kErrorFileNotFound;
    {
        OpenedKey key(api);
        if (key.Open(kHkeyLocalMachine, kLibraryRegistryKey, registry::kKeySetValue) ==
            kErrorSuccess) {
            status = api.RegDeleteValue(key.get(), kProgramFolderValue);
        }
    }
    if (status != kErrorSuccess && status != kErrorFileNotFound) {
        err << "vexo library: cannot delete " << kFullKeyName << " " << kProgramFolderValue
            << " (registry error " << status << ")\n";
        return false;
    }
    if (!DeleteKeyIfEmpty(api, kLibraryRegistryKey) ||
        !DeleteKeyIfEmpty(api, kLibraryRegistryParentKey)) {
        err << "vexo library: cannot delete the key " << kFullKeyName << "\n";
        return false;
    }
    report << "Registry: " << kFullKeyName << " " << kProgramFolderValue
           << (status == kErrorSuccess ? " deleted\n" : " was not there\n");
    return true;
}

// The folder goes only when nothing else was put in it.
bool UninstallProgramFile(std::ostream& report, std::ostream& err) {
    const std::string folder = LibraryProgramFolderPath();
    const std::string path = LibraryProgramFilePath();
    std::error_code error;
    const bool removed = fs::remove(path, error);
    if (error) {
        err << "vexo library: cannot delete " << path << ": " << error.message() << "\n";
        return false;
    }
    if (fs::is_directory(folder, error) && fs::is_empty(folder, error)) {
        fs::remove(folder, error);
    }
    report << "Program file: " << path << (removed ? " deleted\n" : " was not there\n");
    return true;
}

bool UninstallDatabase(std::ostream& report, std::ostream& err) {
    const std::string path = common::MediaLibraryPath();
    std::error_code ignored;
    const bool existed = fs::exists(path, ignored);
    if (!itunes::library::RemoveLibraryDatabase(path)) {
        err << "vexo library: cannot delete the database " << path << "\n";
        return false;
    }
    // Music/iTunes and Music go too when the database was all they held.
    const fs::path folder = fs::path(path).parent_path();
    for (const fs::path& made : {folder, folder.parent_path()}) {
        if (fs::is_directory(made, ignored) && fs::is_empty(made, ignored)) {
            fs::remove(made, ignored);
        }
    }
    report << "Database: " << path << (existed ? " deleted\n" : " was not there\n");
    return true;
}

}  // namespace

std::vector<std::uint8_t> LibraryProgramImage() {
    const std::string version = VersionText();
    itunes::library::FixedFileInfo fixed;
    fixed.fileVersion = kLibraryAutomationVersion;
    fixed.productVersion = kLibraryAutomationVersion;
    itunes::library::VersionInfo info;
    info.fixedInfo = fixed;
    info.stringTables = {{"040904B0",
                          {{"CompanyName", "VEXO"},
                           {"FileDescription", "VEXO Media Library"},
                           {"FileVersion", version},
                           {"InternalName", "vexo-media-library"},
                           {"OriginalFilename", std::string(kLibraryProgramFile)},
                           {"ProductName", "VEXO Media Library"},
                           {"ProductVersion", version}}}};
    info.translations = std::vector<itunes::library::Translation>{{0x0409, 0x04B0}};
    return itunes::library::BuildVersionedImage(info);
}

std::string LibraryProgramFolderPath() {
    return Join(common::ProgramFilesFolder(), kLibraryProgramFolder);
}

std::string LibraryProgramFilePath() {
    return Join(LibraryProgramFolderPath(), kLibraryProgramFile);
}

bool InstallLibrary(registry::RegistryApi& api, std::ostream& report, std::ostream& err) {
    if (!common::EnsureMachinePrefix()) {
        err << "vexo library: cannot create the machine prefix \"" << common::MachinePrefix()
            << "\"\n";
        return false;
    }
    bool done = InstallRegistryEntry(api, report, err);
    done = InstallProgramFile(report, err) && done;
    done = InstallDatabase(report, err) && done;

    // The start-up checks look below %PROGRAMFILES%, which names the prefix's folder only
    // while the environment does not define PROGRAMFILES itself.
    const std::string programFiles = common::ExpandEnvironmentStrings("%PROGRAMFILES%");
    if (basFiles::RemoveTrailing(programFiles, basFiles::kPathSeparator) !=
        common::ProgramFilesFolder()) {
        report << "Note: PROGRAMFILES is set to \"" << programFiles
               << "\"; the program looks there, not in " << common::ProgramFilesFolder() << "\n";
    }
    return done;
}

bool UninstallLibrary(registry::RegistryApi& api, std::ostream& report, std::ostream& err) {
    if (common::MachinePrefix().empty()) {
        err << "vexo library: no machine prefix can be named (set VEXO_PREFIX)\n";
        return false;
    }
    bool done = UninstallRegistryEntry(api, report, err);
    done = UninstallProgramFile(report, err) && done;
    done = UninstallDatabase(report, err) && done;
    return done;
}

}  // namespace itunes::library
