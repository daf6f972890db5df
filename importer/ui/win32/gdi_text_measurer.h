// Text on GDI as the Help and About windows' logic measures it: fonts made from the windows'
// font requests at the screen's dots per inch, extents in twips.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/win32/scoped_win.h"
#include "importer/forms/text_measure.h"

namespace plumex::win32 {

// family when GDI has it, else the closest installed sans family with similar metrics.
std::string ClosestInstalledFamily(std::string_view family);

// The font spec asks for (its family as ClosestInstalledFamily finds it), sized for a device of
// dotsPerInchY; an empty font when GDI refuses.
common::win32::GdiObject<HFONT> CreateSpecFont(const forms::FontSpec& spec, int dotsPerInchY);

// The flags a word-wrapping label is drawn and measured with: CR LF breaks lines, "&" is text.
inline constexpr UINT kWrappedLabelFormat = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;

// Measures on a memory context of the screen: its fonts, its dots per inch.
class GdiTextMeasurer final : public forms::TextMeasurer {
  public:
    GdiTextMeasurer();

    double TextWidth(std::string_view text, const forms::FontSpec& font) const override;
    // The height of the text drawn with kWrappedLabelFormat into the whole pixels of width.
    double WrappedTextHeight(std::string_view text, double width,
                             const forms::FontSpec& font) const override;

  private:
    common::win32::MemoryDc dc_{nullptr};
    int dotsPerInchX_ = 96;
    int dotsPerInchY_ = 96;
};

}  // namespace plumex::win32
