#include <windows.h>

#include "importer/files/system_locale.h"

namespace basFiles {

// Windows reports its own.
WindowsLocale SystemWindowsLocale() {
    return WindowsLocale{.languageId = GetSystemDefaultLangID(), .codePage = GetACP()};
}

}  // namespace basFiles
