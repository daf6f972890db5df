#include "importer/ui/win32/help_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "importer/forms/help_text.h"
#include "importer/ui/win32/mouse_buttons.h"
#include "importer/ui/win32/resource_ids.h"
#include "importer/ui/win32/screen_twips.h"

namespace plumex::win32 {

using common::win32::MemoryDc;
using common::win32::SelectedObject;

namespace {

constexpr char kHelpWindowClass[] = "PlumexHelpWindow";

// A fixed dialog frame with a caption and its close command; no minimise or maximise button.
constexpr DWORD kHelpStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kHelpExStyle = WS_EX_DLGMODALFRAME;

// The rectangle Help is centred over, in twips: the owner's frame, else the screen.
forms::TwipsRect OwnerBounds(HWND owner) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr) {
        GetWindowRect(owner, &area);
    }
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    return forms::TwipsRect{area.left * factor.x, area.top * factor.y,
                            (area.right - area.left) * factor.x,
                            (area.bottom - area.top) * factor.y};
}

RECT ToPixels(const forms::TwipsRect& rect) {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    const int left = TwipsToPixels(rect.left, factor.x);
    const int top = TwipsToPixels(rect.top, factor.y);
    return RECT{left, top, left + TwipsToPixels(rect.width, factor.x),
                top + TwipsToPixels(rect.height, factor.y)};
}

int ScreenDotsPerInchY() {
    return static_cast<int>(std::lround(1440.0 / ScreenTwipsPerPixel().y));
}

// A picture at its natural size at the control's top-left corner, with a single fixed border
// over its outermost pixels.
void DrawBorderedPicture(HDC dc, const GdiBitmap& picture, const RECT& control) {
    if (picture) {
        const MemoryDc source(dc);
        const SelectedObject selected(source.Get(), picture.Handle());
        BitBlt(dc, control.left, control.top, picture.Width(), picture.Height(), source.Get(), 0, 0,
               SRCCOPY);
    }
    const RECT border{control.left, control.top,
                      control.left + (picture ? picture.Width() : control.right - control.left),
                      control.top + (picture ? picture.Height() : control.bottom - control.top)};
    FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace

HelpWindow::HelpWindow(HWND owner)
    : folderPicture_(LoadPictureResource(IDP_HELP_FOLDER)),
      filePicture_(LoadPictureResource(IDP_HELP_FILE)),
      labelFont_(CreateSpecFont(forms::kHelpLabelFont, ScreenDotsPerInchY())),
      form_(*this, measurer_, OwnerBounds(owner)),
      window_(owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterObjectWindowClass<HelpWindow>(kHelpWindowClass, IDI_HELP)) {
        return;
    }
    const std::string caption(forms::kHelpCaption);
    // The design size does not matter: Form_Load sizes the window.
    CreateWindowExA(kHelpExStyle, kHelpWindowClass, caption.c_str(), kHelpStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, 400, 300, owner, nullptr, instance, this);
}

HelpWindow::~HelpWindow() {
    window_.Close();
}

void HelpWindow::RunModal() {
    window_.Run();
}

forms::HelpMetrics HelpWindow::Metrics() {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    RECT outer{};
    RECT client{};
    GetWindowRect(window_.Handle(), &outer);
    GetClientRect(window_.Handle(), &client);
    forms::HelpMetrics metrics;
    metrics.twipsPerPixelX = factor.x;
    metrics.twipsPerPixelY = factor.y;
    metrics.outerWidth = (outer.right - outer.left) * factor.x;
    metrics.outerHeight = (outer.bottom - outer.top) * factor.y;
    metrics.clientWidth = client.right * factor.x;
    metrics.clientHeight = client.bottom * factor.y;
    return metrics;
}

void HelpWindow::SetLabelText(std::string_view text) {
    text_ = std::string(text);
    InvalidateRect(window_.Handle(), nullptr, FALSE);
}

// Outer bounds, not clamped to the screen; the resize runs Form_Resize.
void HelpWindow::Move(const forms::TwipsRect& bounds) {
    const RECT pixels = ToPixels(bounds);
    SetWindowPos(window_.Handle(), nullptr, pixels.left, pixels.top,
                 std::max<LONG>(pixels.right - pixels.left, 0),
                 std::max<LONG>(pixels.bottom - pixels.top, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

void HelpWindow::PlaceControls(const forms::HelpControls& controls) {
    label_ = ToPixels(controls.lblHelp);
    folder_ = ToPixels(controls.imgFolder);
    file_ = ToPixels(controls.imgFile);
    InvalidateRect(window_.Handle(), nullptr, FALSE);
}

void HelpWindow::PaintBackground(const std::vector<forms::GradientLine>& lines) {
    background_ = lines;
    InvalidateRect(window_.Handle(), nullptr, FALSE);
}

void HelpWindow::Unload() {
    window_.Close();
}

forms::HelpTarget HelpWindow::TargetAt(POINT point) const {
    RECT client{};
    GetClientRect(window_.Handle(), &client);
    if (!PtInRect(&client, point)) {
        return forms::HelpTarget::Outside;
    }
    if (PtInRect(&label_, point)) {
        return forms::HelpTarget::lblHelp;
    }
    if (PtInRect(&folder_, point)) {
        return forms::HelpTarget::imgFolder;
    }
    if (PtInRect(&file_, point)) {
        return forms::HelpTarget::imgFile;
    }
    return forms::HelpTarget::Form;
}

void HelpWindow::Paint(HDC dc, const RECT& client) const {
    for (const forms::GradientLine& line : background_) {
        const RECT row{0, line.row, client.right, line.row + 1};
        SetBkColor(dc, RGB(line.colour.red, line.colour.green, line.colour.blue));
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &row, nullptr, 0, nullptr);
    }
    {
        const SelectedObject font(dc, labelFont_.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT box = label_;
        DrawTextA(dc, text_.data(), static_cast<int>(text_.size()), &box, kWrappedLabelFormat);
    }
    DrawBorderedPicture(dc, folderPicture_, folder_);
    DrawBorderedPicture(dc, filePicture_, file_);
}

LRESULT HelpWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            window_.Adopt(window);
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                form_.Form_Resize();
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the gradient covers the whole client area
        case WM_PAINT: {
            const common::win32::PaintSession paint(window);
            RECT client{};
            GetClientRect(window, &client);
            // Drawn off screen first, so that the text does not flicker over the gradient.
            const MemoryDc buffer(paint.Dc());
            const common::win32::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(
                paint.Dc(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
            const SelectedObject selected(buffer.Get(), bitmap.Get());
            Paint(buffer.Get(), client);
            BitBlt(paint.Dc(), 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(window, &client);
            Paint(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        // The form decides which presses and releases make a click. The mouse stays with the
        // window while a button is held, so that a release outside it is seen too.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            form_.MouseDown(TargetAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}),
                            ChangedButton(message));
            SetCapture(window);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
                ReleaseCapture();
            }
            // May close the window: nothing of it is touched afterwards.
            form_.MouseUp(TargetAt(point), ChangedButton(message));
            return 0;
        }
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_NCDESTROY:
            window_.Forget();
            return DefWindowProcA(window, message, wParam, lParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ShowHelpWindow(HWND owner) {
    HelpWindow help(owner);
    if (help.Handle() == nullptr) {
        return;
    }
    help.Form().Form_Load();
    help.RunModal();
}

}  // namespace plumex::win32
