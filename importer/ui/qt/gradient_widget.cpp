#include "importer/ui/qt/gradient_widget.h"

#include <QPainter>

namespace plumex::qt {

GradientWidget::GradientWidget(forms::GradientColour colour, QWidget* parent)
    : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double twipsPerPixelY = TwipsPerPixelY(*this);
    const forms::GradientSurface surface{height() * twipsPerPixelY, twipsPerPixelY};
    const auto lines = forms::PaintGradient(surface, colour_ == forms::GradientColour::Green,
                                            colour_ == forms::GradientColour::Blue,
                                            colour_ == forms::GradientColour::Red);
    for (const forms::GradientLine& line : lines) {
        painter.setPen(QColor(line.colour.red, line.colour.green, line.colour.blue));
        painter.drawLine(0, line.row, width(), line.row);
    }
}

// The whole gradient depends on the height, so a resize repaints all of it.
void GradientWidget::resizeEvent(QResizeEvent*) {
    PlaceBottomBar();
    update();
}

void GradientWidget::SetBottomBar(QWidget* bar) {
    bottomBar_ = bar;
    PlaceBottomBar();
}

void GradientWidget::PlaceBottomBar() {
    if (bottomBar_ != nullptr) {
        const int barHeight = bottomBar_->height();
        bottomBar_->setGeometry(0, height() - barHeight, width(), barHeight);
    }
}

double TwipsPerPixelX(const QWidget& widget) {
    return 1440.0 / widget.logicalDpiX();
}
double TwipsPerPixelY(const QWidget& widget) {
    return 1440.0 / widget.logicalDpiY();
}

}  // namespace plumex::qt
