// A surface painted with the windows' vertical gradient, one line per pixel row, repainted
// whenever it is resized; the controls placed on it are drawn over it.
#pragma once

#include <QWidget>

#include "importer/forms/gradient.h"

namespace plumex::qt {

class GradientWidget final : public QWidget {
  public:
    GradientWidget(forms::GradientColour colour, QWidget* parent);

    // A child kept at the bottom edge at full width, with its own height, over the gradient.
    void SetBottomBar(QWidget* bar);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceBottomBar();

    forms::GradientColour colour_;
    QWidget* bottomBar_ = nullptr;
};

// The screen's twips per pixel for a widget: 1440 over its logical dots per inch.
double TwipsPerPixelX(const QWidget& widget);
double TwipsPerPixelY(const QWidget& widget);

}  // namespace plumex::qt
