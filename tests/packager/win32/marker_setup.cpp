// A stand-in for a package's setup program: it writes a marker of how it was started and ends
// with exit code 7, which the starter must ignore. The marker goes to the file that
// VEXO_TEST_SETUP_MARKER names, or, without it, to marker.txt beside the program; its lines are
// the argument count, the current folder, the program's own folder and the names of the files
// in that folder. Plain Win32, so that the program stays small: packages carry it.
#include <windows.h>

#include <string>

#include "common/win32/scoped_win.h"

int main(int argc, char** /*argv*/) {
    char own[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string folder = own;
    folder.erase(folder.find_last_of('\\'));
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);

    std::string report = std::to_string(argc) + "\n" + current + "\n" + folder + "\n";
    WIN32_FIND_DATAA found{};
    const common::win32::FindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (search) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                std::string(found.cFileName) != "marker.txt") {
                report.append(found.cFileName).append("\n");
            }
        } while (::FindNextFileA(search.Get(), &found));
    }

    char named[MAX_PATH] = {};
    const std::string markerPath =
        ::GetEnvironmentVariableA("VEXO_TEST_SETUP_MARKER", named, MAX_PATH) > 0
            ? std::string(named)
            : folder + "\\marker.txt";
    const common::win32::UniqueHandle marker(::CreateFileA(markerPath.c_str(), GENERIC_WRITE, 0,
                                                           nullptr, CREATE_ALWAYS,
                                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (marker) {
        DWORD written = 0;
        ::WriteFile(marker.Get(), report.data(), static_cast<DWORD>(report.size()), &written,
                    nullptr);
    }
    return 7;
}
