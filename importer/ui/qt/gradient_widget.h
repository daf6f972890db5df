// A surface painted with the windows' vertical gradient, one line per pixel row, repainted
// whenever it is resized; the controls placed on it are drawn over it.
#pragma once

#include <QWidget>

#include "importer/forms/gradient.h"

namespace plumex::qt {

class GradientWidget final : public QWidget {
  public:
    GradientWidget(forms::GradientColour colour, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    forms::GradientColour colour_;
};

// The screen's twips per pixel for a widget: 1440 over its logical dots per inch.
double TwipsPerPixelX(const QWidget& widget);
double TwipsPerPixelY(const QWidget& widget);

}  // namespace plumex::qt
