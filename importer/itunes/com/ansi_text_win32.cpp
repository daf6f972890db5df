#include "importer/itunes/com/ansi_text_win32.h"

#include <climits>

namespace itunes::com {
namespace {

std::optional<std::string> AnsiFromWide(const wchar_t* text, std::size_t length) {
    if (length == 0) {
        return std::string();
    }
    if (length > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int wideLength = static_cast<int>(length);
    const int ansiLength =
        WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (ansiLength <= 0) {
        return std::nullopt;
    }
    std::string ansi(static_cast<std::size_t>(ansiLength), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, wideLength, ansi.data(), ansiLength, nullptr,
                            nullptr) != ansiLength) {
        return std::nullopt;
    }
    return ansi;
}

}  // namespace

std::optional<Bstr> BstrFromAnsi(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int length = static_cast<int>(text.size());
    // MultiByteToWideChar refuses an empty text: an empty BSTR is made directly.
    const int wideLength =
        length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (length != 0 && wideLength <= 0) {
        return std::nullopt;
    }
    Bstr wide(SysAllocStringLen(nullptr, static_cast<UINT>(wideLength)));
    if (wide.Get() == nullptr) {
        return std::nullopt;
    }
    if (length != 0 &&
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.Get(), wideLength) != wideLength) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> AnsiFromBstr(BSTR text) {
    // A null BSTR is the empty text.
    return AnsiFromWide(text, text == nullptr ? 0 : SysStringLen(text));
}

}  // namespace itunes::com
