#include "importer/ui/win32/gdi_text_measurer.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace plumex::win32 {

using common::win32::MemoryDc;
using common::win32::SelectedObject;
using Font = common::win32::GdiObject<HFONT>;

namespace {

constexpr double kTwipsPerInch = 1440;

int TextLength(std::string_view text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
}

int CALLBACK NoteFamilyFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool FamilyInstalled(const std::string& family) {
    MemoryDc screen(nullptr);
    if (screen.Get() == nullptr || family.empty()) {
        return false;
    }
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    family.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExA(screen.Get(), &wanted, NoteFamilyFound, reinterpret_cast<LPARAM>(&found),
                        0);
    return found;
}

}  // namespace

// Windows has the layouts' fonts; elsewhere (Wine on a bare Linux) GDI's own fallback for a
// missing face is often a much wider font, which clips the designed labels. Families with the
// metrics of the Windows sans fonts come first, as on the Qt frontend.
std::string ClosestInstalledFamily(std::string_view family) {
    const std::string requested(family.substr(0, LF_FACESIZE - 1));
    if (FamilyInstalled(requested)) {
        return requested;
    }
    for (const char* substitute : {"Arial", "Liberation Sans", "Arimo", "Tahoma"}) {
        if (FamilyInstalled(substitute)) {
            return substitute;
        }
    }
    return requested;
}

Font CreateSpecFont(const forms::FontSpec& spec, int dotsPerInchY) {
    // A negative height asks for the character height, which is what a point size measures.
    const int height = -static_cast<int>(std::lround(spec.points * dotsPerInchY / 72.0));
    const std::string family = ClosestInstalledFamily(spec.family);
    return Font(CreateFontA(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, family.c_str()));
}

GdiTextMeasurer::GdiTextMeasurer() {
    if (dc_.Get() != nullptr) {
        dotsPerInchX_ = std::max(1, GetDeviceCaps(dc_.Get(), LOGPIXELSX));
        dotsPerInchY_ = std::max(1, GetDeviceCaps(dc_.Get(), LOGPIXELSY));
    }
}

double GdiTextMeasurer::TextWidth(std::string_view text, const forms::FontSpec& font) const {
    const Font gdiFont = CreateSpecFont(font, dotsPerInchY_);
    const SelectedObject selected(dc_.Get(), gdiFont.Get());
    SIZE extent{};
    if (!GetTextExtentPoint32A(dc_.Get(), text.data(), TextLength(text), &extent)) {
        return 0;
    }
    return extent.cx * kTwipsPerInch / dotsPerInchX_;
}

double GdiTextMeasurer::WrappedTextHeight(std::string_view text, double width,
                                          const forms::FontSpec& font) const {
    if (text.empty()) {
        return 0;
    }
    // The label gets a whole number of pixels, and wraps within them.
    const double pixels = std::round(width * dotsPerInchX_ / kTwipsPerInch);
    RECT box{0, 0, static_cast<LONG>(std::clamp(pixels, 0.0, 1e6)), 0};
    const Font gdiFont = CreateSpecFont(font, dotsPerInchY_);
    const SelectedObject selected(dc_.Get(), gdiFont.Get());
    if (DrawTextA(dc_.Get(), text.data(), TextLength(text), &box,
                  kWrappedLabelFormat | DT_CALCRECT) == 0) {
        return 0;
    }
    return (box.bottom - box.top) * kTwipsPerInch / dotsPerInchY_;
}

}  // namespace plumex::win32
