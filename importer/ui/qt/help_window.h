// frmHelp on Qt: the help paragraph over the two example pictures on a black-to-blue gradient,
// sized and centred by forms::frmHelp; a click anywhere closes it.
#pragma once

#include <QDialog>
#include <vector>

#include "importer/forms/frmHelp.h"
#include "importer/ui/qt/frame_placement.h"
#include "importer/ui/qt/text_measurer.h"

class QLabel;

namespace plumex::qt {

class HelpWindow final : public QDialog, public forms::HelpWindowView {
  public:
    // Centred over owner as it stands now, shown or not; over the screen without one.
    explicit HelpWindow(QWidget* owner);
    ~HelpWindow() override;

    forms::frmHelp& Form() { return form_; }

    QLabel* HelpLabel() const { return label_; }
    QWidget* FolderPicture() const { return folder_; }
    QWidget* FilePicture() const { return file_; }

    // forms::HelpWindowView
    forms::HelpMetrics Metrics() override;
    void SetLabelText(std::string_view text) override;
    void Move(const forms::TwipsRect& bounds) override;
    void PlaceControls(const forms::HelpControls& controls) override;
    void PaintBackground(const std::vector<forms::GradientLine>& lines) override;
    void Unload() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRect ToPixels(const forms::TwipsRect& rect) const;
    forms::HelpTarget TargetAt(QPoint point) const;

    QtTextMeasurer measurer_;
    QLabel* label_ = nullptr;
    QWidget* folder_ = nullptr;
    QWidget* file_ = nullptr;
    std::vector<forms::GradientLine> background_;
    forms::frmHelp form_;
    FramePlacement* placement_ = nullptr;
};

// Loads a new Help window over owner and runs it modally; returns once it is closed.
void ShowHelpWindow(QWidget* owner);

}  // namespace plumex::qt
