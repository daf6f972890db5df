// The frontend's text measuring, in twips, for the layouts that depend on text extents: the
// Help window's wrapped label and the About window's version line.
#pragma once

#include <string_view>

namespace forms {

struct FontSpec {
    std::string_view family;
    double points = 0;
    bool bold = false;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

class TextMeasurer {
  public:
    virtual ~TextMeasurer() = default;

    // The width of text set on one line in font.
    virtual double TextWidth(std::string_view text, const FontSpec& font) const = 0;
    // The height a word-wrapping, auto-sizing label of the given width takes for text in font;
    // CR LF pairs break lines.
    virtual double WrappedTextHeight(std::string_view text, double width,
                                     const FontSpec& font) const = 0;
};

}  // namespace forms
