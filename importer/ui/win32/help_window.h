// frmHelp on Win32: the help paragraph over the two example pictures on a black-to-blue
// gradient, sized and centred by forms::frmHelp; a click anywhere closes it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win32/scoped_win.h"
#include "importer/forms/frmHelp.h"
#include "importer/ui/win32/gdi_text_measurer.h"
#include "importer/ui/win32/modal_window.h"
#include "importer/ui/win32/picture_resource.h"

namespace plumex::win32 {

class HelpWindow final : public forms::HelpWindowView {
  public:
    // Centred over owner as it stands now, shown or not; over the screen without one. The
    // window exists hidden until RunModal.
    explicit HelpWindow(HWND owner);
    ~HelpWindow() override;
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;

    forms::frmHelp& Form() { return form_; }
    // nullptr once the window is closed.
    HWND Handle() const { return window_.Handle(); }

    // Client rectangles of the label and the pictures, in pixels.
    RECT LabelRect() const { return label_; }
    RECT FolderRect() const { return folder_; }
    RECT FileRect() const { return file_; }
    const GdiBitmap& FolderPicture() const { return folderPicture_; }
    const GdiBitmap& FilePicture() const { return filePicture_; }

    // Shows the window over its disabled owner; returns once it is closed.
    void RunModal();

    // forms::HelpWindowView
    forms::HelpMetrics Metrics() override;
    void SetLabelText(std::string_view text) override;
    void Move(const forms::TwipsRect& bounds) override;
    void PlaceControls(const forms::HelpControls& controls) override;
    void PaintBackground(const std::vector<forms::GradientLine>& lines) override;
    void Unload() override;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    forms::HelpTarget TargetAt(POINT point) const;
    void Paint(HDC dc, const RECT& client) const;

    common::win32::ComApartment com_;  // the pictures are decoded through COM
    GdiTextMeasurer measurer_;
    GdiBitmap folderPicture_;
    GdiBitmap filePicture_;
    common::win32::GdiObject<HFONT> labelFont_;
    std::string text_;
    RECT label_{};
    RECT folder_{};
    RECT file_{};
    std::vector<forms::GradientLine> background_;
    forms::frmHelp form_;
    ModalWindow window_;
};

// Loads a new Help window over owner (a window not shown yet, or nullptr for the screen) and
// runs it modally; returns once it is closed.
void ShowHelpWindow(HWND owner);

}  // namespace plumex::win32
