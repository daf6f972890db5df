// VEXOSetup's progress window on Qt: a fixed window of 600 x 200 pixels outside, centred, with
// a caption that has no close, minimise or maximise button, holding the status line, the
// progress bar it paints itself, and the Cancel button. Window managers give a caption buttons
// whatever a program asks (openbox keeps close and minimise on every managed window), so the
// window asks for no decorations and draws its frame and caption itself, as the desktop would
// draw a caption without a system menu; it is moved by its caption as usual.
#pragma once

#include <QWidget>
#include <optional>

#include "packager/message_boxes.h"
#include "packager/progress_state.h"

class QLabel;
class QPainter;
class QPushButton;

namespace packager::qt {

class ProgressWindow final : public QWidget {
  public:
    explicit ProgressWindow(ProgressState& state);

    // Sizes and centres the window, creates its children from the shared state and shows it
    // all; the step that failed, if one did.
    std::optional<SetupStep> SetUp();

    // Window-thread operations on the worker's behalf.
    void ShowStatusLine(const QString& line);
    void InvalidateBar();
    void HideCancelButton();
    // A stop signal: shown as a press of Cancel while the button can be pressed. (The worker
    // learns of it from the shared state, which the signal's watcher sets.)
    void ShowCancelledBySignal();

    // The bar as it is painted, without the window around it.
    QImage PaintBar();

    // The part of the window inside its frame and below its caption.
    QRect ClientRect() const;
    QLabel* StatusControl() const { return status_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A press on the caption starts moving the window.
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The window has no close box; asking the window manager to close it changes nothing.
    void closeEvent(QCloseEvent* event) override;

  private:
    void PressCancel();
    QRect CaptionRect() const;
    void PaintFrameAndCaption(QPainter& painter);

    ProgressState& state_;
    QLabel* status_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace packager::qt
