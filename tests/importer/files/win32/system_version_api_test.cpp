// version.dll against our own reader of the version-resource format, on the same files: Wine's
// or Windows' own programs and libraries, the MinGW-built versioned.dll, and images written by
// pewriter with the resource shapes that matter to the reader.
//
// Our reader gives texts in UTF-8, version.dll in the ANSI code page: our texts are converted
// to the code page before they are compared.
#include <windows.h>
#undef GetFileVersionInfoSize
#undef GetFileVersionInfo
#undef VerQueryValue

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "importer/files/own_version_api.h"
#include "importer/files/version_api.h"
#include "importer/files/version_info.h"
#include "importer/itunes/library/pe_image.h"
#include "tests/importer/files/version_test_files.h"

namespace basFiles::test {
namespace {

using namespace std::string_literals;
using testing_support::ScopedTempFolder;
using testing_support::TypicalVersionInfo;

// A UTF-8 text in the ANSI code page, as version.dll converts the resource's UTF-16.
std::string AnsiFromUtf8(const std::string& text) {
    if (text.empty()) {
        return text;
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), size);
    std::string ansi(static_cast<std::size_t>(units) * 2, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, ansi.data(),
                                          static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(bytes));
    return ansi;
}

FileVersionRecord InAnsi(FileVersionRecord record) {
    for (std::string* text :
         {&record.CompanyName, &record.FileDescription, &record.FileVersion, &record.InternalName,
          &record.LegalCopyright, &record.OriginalFilename, &record.ProductName,
          &record.ProductVersion, &record.Comments, &record.LegalTrademarks, &record.PrivateBuild,
          &record.SpecialBuild}) {
        *text = AnsiFromUtf8(*text);
    }
    return record;
}

struct Reading {
    bool read = false;
    FileVersionRecord record;
    std::optional<std::string> translation;
};

Reading ReadWith(VersionInfoApi& api, const std::string& path) {
    Reading reading;
    reading.read = ReadFileVersionInfo(api, path, reading.record);
    const std::uint32_t size = api.GetFileVersionInfoSize(path);
    std::vector<std::uint8_t> block(size + 1);
    if (size > 0 && api.GetFileVersionInfo(path, block)) {
        reading.translation = api.VerQueryValue(block, "\\VarFileInfo\\Translation");
    }
    return reading;
}

void ExpectSameReading(const std::string& path) {
    OwnVersionInfoApi own;
    const Reading ours = ReadWith(own, path);
    const Reading system = ReadWith(SystemVersionInfoApi(), path);
    EXPECT_EQ(ours.read, system.read) << path;
    EXPECT_EQ(ours.translation, system.translation) << path;
    EXPECT_EQ(InAnsi(ours.record), system.record) << path;
}

std::string SystemFolder() {
    const char* root = std::getenv("SystemRoot");
    return std::string(root != nullptr ? root : "C:\\windows") + "\\system32";
}

// The system's libraries carry their version resource in every language they are translated
// into, so this also compares which language the two readers take.
TEST(SystemVersionApi, AgreesWithOurReaderOnTheSystemsOwnFiles) {
    int versioned = 0;
    for (const char* name :
         {"kernel32.dll", "user32.dll", "advapi32.dll", "version.dll", "shell32.dll",
          "comctl32.dll", "ole32.dll", "oleaut32.dll", "notepad.exe", "regedit.exe", "cmd.exe"}) {
        const std::string path = SystemFolder() + "\\" + name;
        ExpectSameReading(path);
        FileVersionRecord record;
        if (ReadFileVersionInfo(SystemVersionInfoApi(), path, record) &&
            !record.FileVersion.empty()) {
            ++versioned;
        }
    }
    EXPECT_GE(versioned, 5) << "system folder " << SystemFolder();
}

TEST(SystemVersionApi, AgreesWithOurReaderOnTheMingwDll) {
    ExpectSameReading(VEXO_VERSIONED_DLL);
}

TEST(SystemVersionApi, AgreesWithOurReaderOnWrittenImages) {
    ScopedTempFolder folder;
    itunes::library::VersionInfo otherTable = TypicalVersionInfo();
    otherTable.stringTables.front().name = "040904E4";
    itunes::library::VersionInfo noTranslation = TypicalVersionInfo();
    noTranslation.translations.reset();
    itunes::library::VersionInfo nulInText = TypicalVersionInfo();
    nulInText.stringTables.front().values[2].value = "7.2.0.1\0 8.0.0.0 junk"s;
    itunes::library::VersionInfo fixedOnly;
    fixedOnly.fixedInfo = itunes::library::FixedFileInfo{};

    const std::vector<std::pair<std::string, itunes::library::VersionInfo>> images = {
        {"typical.exe", TypicalVersionInfo()}, {"other-table.exe", otherTable},
        {"no-translation.exe", noTranslation}, {"nul-in-text.exe", nulInText},
        {"fixed-only.exe", fixedOnly},
    };
    for (const auto& [name, info] : images) {
        ExpectSameReading(folder.Write(name, itunes::library::BuildVersionedImage(info)));
    }
    ExpectSameReading(folder.Write("plain.exe", itunes::library::BuildPeImage({})));
    ExpectSameReading(folder.Write("readme.txt", std::vector<std::uint8_t>{'h', 'i'}));
    ExpectSameReading((folder.path() / "missing.exe").string());
}

TEST(SystemVersionApi, TheSystemsLocaleIsWhatOurReaderFallsBackTo) {
    OwnVersionInfoApi own;
    EXPECT_EQ(own.GetSystemDefaultLangID(), SystemVersionInfoApi().GetSystemDefaultLangID());
    EXPECT_EQ(own.GetACP(), SystemVersionInfoApi().GetACP());
}

}  // namespace
}  // namespace basFiles::test
