#include <cstdlib>

#include "importer/files/system_locale.h"

namespace basFiles {

namespace {

std::string_view Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

WindowsLocale SystemWindowsLocale() {
    return WindowsLocaleFromPosix(PosixLocaleSettings{
        .lcAll = Variable("LC_ALL"),
        .lcMessages = Variable("LC_MESSAGES"),
        .lcCtype = Variable("LC_CTYPE"),
        .lang = Variable("LANG"),
    });
}

}  // namespace basFiles
