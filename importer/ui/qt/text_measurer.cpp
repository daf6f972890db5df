#include "importer/ui/qt/text_measurer.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "importer/ui/qt/gradient_widget.h"

namespace plumex::qt {
namespace {

// Families with the metrics of the Windows sans fonts, best first; the desktop's own sans
// font is the last resort.
const QStringList& SansSubstitutes() {
    static const QStringList substitutes{
        QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
        QStringLiteral("Helvetica"),       QStringLiteral("Nimbus Sans"),
        QStringLiteral("DejaVu Sans"),
    };
    return substitutes;
}

QString ClosestInstalledFamily(const QString& family) {
    if (QFontDatabase::hasFamily(family)) {
        return family;
    }
    for (const QString& substitute : SansSubstitutes()) {
        if (QFontDatabase::hasFamily(substitute)) {
            return substitute;
        }
    }
    return family;
}

}  // namespace

QFont ToQFont(const forms::FontSpec& spec) {
    const QString family =
        QString::fromLatin1(spec.family.data(), static_cast<qsizetype>(spec.family.size()));
    QFont font(ClosestInstalledFamily(family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(spec.points);
    font.setBold(spec.bold);
    return font;
}

QString ToDisplayText(std::string_view text) {
    QString display = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return display;
}

QtTextMeasurer::QtTextMeasurer(const QWidget& widget) : widget_(widget) {}

double QtTextMeasurer::TextWidth(std::string_view text, const forms::FontSpec& font) const {
    const QFontMetricsF metrics(ToQFont(font), &widget_);
    return metrics.horizontalAdvance(ToDisplayText(text)) * TwipsPerPixelX(widget_);
}

double QtTextMeasurer::WrappedTextHeight(std::string_view text, double width,
                                         const forms::FontSpec& font) const {
    // The label gets a whole number of pixels, and wraps within them.
    const double pixelWidth = std::max(0.0, std::round(width / TwipsPerPixelX(widget_)));
    const QFontMetricsF metrics(ToQFont(font), &widget_);
    const QRectF extent =
        metrics.boundingRect(QRectF(0, 0, pixelWidth, 1e6),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, ToDisplayText(text));
    return std::ceil(extent.height()) * TwipsPerPixelY(widget_);
}

}  // namespace plumex::qt
