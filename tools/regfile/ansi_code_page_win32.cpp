#include "tools/regfile/ansi_code_page_win32.h"

#include <climits>

#include "common/win32/windows_api.h"

namespace regfile {

// Both conversions take the length, so NULs inside are converted as characters. Each refuses
// an empty text, which converts to the empty text anyway.
std::u16string AnsiToUtf16(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(wideLength > 0 ? wideLength : 0), u'\0');
    if (wideLength > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), length,
                              reinterpret_cast<wchar_t*>(wide.data()), wideLength);
    }
    return wide;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int ansiLength =
        ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(ansiLength > 0 ? ansiLength : 0), '\0');
    if (ansiLength > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, wide, length, ansi.data(), ansiLength, nullptr, nullptr);
    }
    return ansi;
}

}  // namespace regfile
