// Text on Qt as the Help and About windows' logic measures it: a font request of the windows'
// design turned into the closest installed font, and the extents of text in it, in twips.
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

#include "importer/forms/text_measure.h"

class QWidget;

namespace plumex::qt {

// The requested family when it is installed, else the closest installed sans font of the same
// metrics (Arial and Microsoft Sans Serif become Liberation Sans where that is all there is).
QFont ToQFont(const forms::FontSpec& spec);

// A program text as a label shows it: from the 8-bit code page, each CR LF pair one line break.
QString ToDisplayText(std::string_view text);

// Measures as the given widget draws: its fonts, its screen's dots per inch.
class QtTextMeasurer final : public forms::TextMeasurer {
  public:
    explicit QtTextMeasurer(const QWidget& widget);

    double TextWidth(std::string_view text, const forms::FontSpec& font) const override;
    // The height a word-wrapping QLabel without margins takes at that width.
    double WrappedTextHeight(std::string_view text, double width,
                             const forms::FontSpec& font) const override;

  private:
    const QWidget& widget_;
};

}  // namespace plumex::qt
