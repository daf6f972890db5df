// Under a window manager a top-level window gets its frame only once it is shown, so a window
// placed before that was placed as if it had none. FramePlacement moves it once, as soon as
// the frame is known, so that its outer rectangle keeps the centre it was placed at: centred
// on the screen, or over another window, as its form computed.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <optional>

class QWidget;

namespace plumex::qt {

// A top-level window's outer rectangle (the frame included) as the platform knows it now.
QRect OuterGeometry(const QWidget& window);

class FramePlacement final : public QObject, public QAbstractNativeEventFilter {
  public:
    // Watches window's events; window outlives this object.
    explicit FramePlacement(QWidget& window);
    ~FramePlacement() override;

    // The window was just placed: the centre of its outer rectangle as the window knows it now
    // is the one it keeps.
    void Placed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    void Check();
    void Recentre();

    QWidget& window_;
    std::optional<QPointF> centre_;
    QMargins frame_;
    bool scheduled_ = false;
};

}  // namespace plumex::qt
