#include "importer/ui/win32/about_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "importer/ui/win32/alpha_picture.h"
#include "importer/ui/win32/mouse_buttons.h"
#include "importer/ui/win32/resource_ids.h"
#include "importer/ui/win32/screen_twips.h"

namespace plumex::win32 {

using common::win32::MemoryDc;
using common::win32::SelectedObject;

namespace {

constexpr char kAboutWindowClass[] = "PlumexAboutWindow";

// No frame: the client area begins at the window's top-left corner and covers the picture.
constexpr DWORD kAboutStyle = WS_POPUP;

constexpr int kShiftKey = 1;
constexpr int kControlKey = 2;
constexpr int kAltKey = 4;

constexpr COLORREF kVersionLineColour = RGB(240, 244, 255);

int ButtonValue(WPARAM keys) {
    int value = 0;
    if ((keys & MK_LBUTTON) != 0) {
        value += forms::kLeftButton;
    }
    if ((keys & MK_RBUTTON) != 0) {
        value += forms::kRightButton;
    }
    if ((keys & MK_MBUTTON) != 0) {
        value += forms::kMiddleButton;
    }
    return value;
}

int ShiftValue(WPARAM keys) {
    int value = 0;
    if ((keys & MK_SHIFT) != 0) {
        value += kShiftKey;
    }
    if ((keys & MK_CONTROL) != 0) {
        value += kControlKey;
    }
    if (GetKeyState(VK_MENU) < 0) {
        value += kAltKey;
    }
    return value;
}

GdiBitmap CreateCanvasBitmap() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = forms::kAboutWindowSize.width;
    info.bmiHeader.biHeight = -forms::kAboutWindowSize.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiBitmap canvas(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0),
                     forms::kAboutWindowSize.width, forms::kAboutWindowSize.height);
    if (bits != nullptr) {
        std::memset(bits, 0,
                    static_cast<std::size_t>(canvas.Width()) *
                        static_cast<std::size_t>(canvas.Height()) * 4);
    }
    return canvas;
}

RECT WholeCanvas() {
    return RECT{0, 0, forms::kAboutWindowSize.width, forms::kAboutWindowSize.height};
}

}  // namespace

void OpenWithShell(HWND parent, const std::string& address) {
    ShellExecuteA(parent, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

GdiBitmap LoadMaskedPicture(int resourceId) {
    GdiBitmap stored = LoadPictureResource(resourceId);
    DIBSECTION section{};
    if (!stored || GetObjectA(stored.Handle(), sizeof section, &section) != sizeof section ||
        section.dsBm.bmBitsPixel != 32 || section.dsBm.bmBits == nullptr) {
        return {};
    }
    auto* pixel = static_cast<std::uint8_t*>(section.dsBm.bmBits);
    const auto bytes =
        static_cast<std::size_t>(stored.Width()) * static_cast<std::size_t>(stored.Height()) * 4;
    for (std::size_t i = 0; i < bytes; i += 4) {
        if (pixel[i] == forms::kImageMaskColour.blue &&
            pixel[i + 1] == forms::kImageMaskColour.green &&
            pixel[i + 2] == forms::kImageMaskColour.red) {
            pixel[i + 3] = 0;
        }
    }
    GdiFlush();
    return PremultipliedCopy(stored);
}

AboutWindow::AboutWindow(HWND owner, WebSiteOpener openWebSite)
    : openWebSite_(std::move(openWebSite)),
      background_(LoadPictureResource(IDP_ABOUT_BACKGROUND)),
      logos_{LoadMaskedPicture(IDP_ABOUT_LOGO_VEXO), LoadMaskedPicture(IDP_ABOUT_LOGO_OVER)},
      buttons_{LoadMaskedPicture(IDP_ABOUT_BUTTON_UP), LoadMaskedPicture(IDP_ABOUT_BUTTON_OVER),
               LoadMaskedPicture(IDP_ABOUT_BUTTON_DOWN)},
      hand_(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_ABOUT_HAND))),
      canvasBitmap_(CreateCanvasBitmap()),
      canvasSelection_(canvas_.Get(), canvasBitmap_.Handle()),
      form_(*this, measurer_),
      window_(owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (canvas_.Get() == nullptr || !canvasBitmap_ ||
        !RegisterObjectWindowClass<AboutWindow>(kAboutWindowClass)) {
        return;
    }
    // Form_Load gives the window its size and place; the caption is empty.
    CreateWindowExA(0, kAboutWindowClass, "", kAboutStyle, 0, 0, forms::kAboutWindowSize.width,
                    forms::kAboutWindowSize.height, owner, nullptr, instance, this);
}

AboutWindow::~AboutWindow() {
    window_.Close();
}

void AboutWindow::RunModal() {
    window_.Run();
}

forms::AboutMetrics AboutWindow::Metrics() {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    RECT client{};
    GetClientRect(window_.Handle(), &client);
    forms::AboutMetrics metrics;
    metrics.twipsPerPixelX = factor.x;
    metrics.twipsPerPixelY = factor.y;
    metrics.screenWidth = GetSystemMetrics(SM_CXSCREEN) * factor.x;
    metrics.screenHeight = GetSystemMetrics(SM_CYSCREEN) * factor.y;
    metrics.clientWidth = client.right * factor.x;
    return metrics;
}

void AboutWindow::SetOuterSize(double width, double height) {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    SetWindowPos(window_.Handle(), nullptr, 0, 0, TwipsToPixels(width, factor.x),
                 TwipsToPixels(height, factor.y), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::DrawBackground() {
    if (background_) {
        const MemoryDc source(canvas_.Get());
        const SelectedObject selected(source.Get(), background_.Handle());
        BitBlt(canvas_.Get(), 0, 0, background_.Width(), background_.Height(), source.Get(), 0, 0,
               SRCCOPY);
    }
    Refresh();
}

void AboutWindow::DrawVersionLine(std::string_view line, const forms::FontSpec& font,
                                  const forms::PixelBox& box) {
    const common::win32::GdiObject<HFONT> gdiFont =
        CreateSpecFont(font, static_cast<int>(std::lround(1440.0 / ScreenTwipsPerPixel().y)));
    const SelectedObject selected(canvas_.Get(), gdiFont.Get());
    SetBkMode(canvas_.Get(), TRANSPARENT);
    SetTextColor(canvas_.Get(), kVersionLineColour);
    RECT area{box.left, box.top, box.right + 1, box.bottom + 1};  // both edges inside
    DrawTextA(canvas_.Get(), line.data(), static_cast<int>(line.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    Refresh();
}

void AboutWindow::Move(double left, double top) {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    SetWindowPos(window_.Handle(), nullptr, TwipsToPixels(left, factor.x),
                 TwipsToPixels(top, factor.y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::DrawState(const GdiBitmap& image, forms::PixelPoint origin) {
    DrawPremultiplied(
        canvas_.Get(), image,
        RECT{origin.x, origin.y, origin.x + image.Width(), origin.y + image.Height()});
    Refresh();
    UpdateWindow(window_.Handle());
}

void AboutWindow::DrawLogo(forms::LogoState state) {
    DrawState(logos_.at(static_cast<std::size_t>(state)), forms::kLogoOrigin);
}

void AboutWindow::DrawButton(forms::ButtonState state) {
    DrawState(buttons_.at(static_cast<std::size_t>(state)), forms::kButtonOrigin);
}

void AboutWindow::SetCursor(forms::AboutCursor cursor) {
    cursor_ = cursor;
    HCURSOR shown = cursor == forms::AboutCursor::Hand && hand_ != nullptr
                        ? hand_
                        : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    ::SetCursor(shown);
}

void AboutWindow::OpenWebSite(std::string_view address) {
    if (openWebSite_) {
        openWebSite_(window_.Handle(), std::string(address));
    }
}

void AboutWindow::Unload() {
    window_.Close();
}

void AboutWindow::Refresh() {
    InvalidateRect(window_.Handle(), nullptr, FALSE);
}

LRESULT AboutWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const TwipsPerPixel factor = ScreenTwipsPerPixel();
    const double x = GET_X_LPARAM(lParam) * factor.x;
    const double y = GET_Y_LPARAM(lParam) * factor.y;
    switch (message) {
        case WM_NCCREATE:
            window_.Adopt(window);
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;  // the picture covers the whole client area
        case WM_PAINT: {
            const common::win32::PaintSession paint(window);
            const RECT area = WholeCanvas();
            BitBlt(paint.Dc(), 0, 0, area.right, area.bottom, canvas_.Get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(cursor_);
                return TRUE;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        // The window keeps the mouse while a button is held, so that a release outside still
        // reaches it.
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SetCapture(window);
            form_.Form_MouseDown(ChangedButton(message), ShiftValue(wParam), x, y);
            return 0;
        case WM_MOUSEMOVE:
            form_.Form_MouseMove(ButtonValue(wParam), ShiftValue(wParam), x, y);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (ButtonValue(wParam) == 0 && GetCapture() == window) {
                ReleaseCapture();
            }
            form_.Form_MouseUp(ChangedButton(message), ShiftValue(wParam), x, y);
            return 0;
        case WM_CHAR:
            form_.Form_KeyPress(static_cast<unsigned char>(wParam));
            return 0;
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

void ShowAboutWindow(HWND owner, WebSiteOpener openWebSite) {
    AboutWindow about(owner, std::move(openWebSite));
    if (about.Handle() == nullptr) {
        return;
    }
    about.Form().Form_Load();
    about.RunModal();
}

void ShowAboutWindow(HWND owner) {
    ShowAboutWindow(owner, OpenWithShell);
}

}  // namespace plumex::win32
