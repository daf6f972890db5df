#include "importer/ui/win32/main_window.h"

#include <commctrl.h>

#include <cmath>
#include <string>
#include <utility>

#include "common/win32/handle_value.h"
#include "importer/forms/main_window_layout.h"
#include "importer/ui/win32/alpha_picture.h"
#include "importer/ui/win32/event_pump.h"
#include "importer/ui/win32/gdi_text_measurer.h"
#include "importer/ui/win32/gradient_background.h"
#include "importer/ui/win32/main_window_menus.h"
#include "importer/ui/win32/modal_window.h"
#include "importer/ui/win32/resource_ids.h"

namespace plumex::win32 {
namespace {

constexpr const char* kWindowClass = "VexoPlumexMain";
// A fixed single border with a minimise button and no maximise button.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

common::win32::GdiObject<HFONT> ControlFont(bool bold) {
    const common::win32::MemoryDc screen(nullptr);
    const int dpiY = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
    return CreateSpecFont({forms::kControlFontFamily, forms::kControlFontPoints, bold}, dpiY);
}

void SetText(HWND control, std::string_view text) {
    SetWindowTextA(control, std::string(text).c_str());
}

}  // namespace

MainWindow::MainWindow(forms::StartupServices services, MainWindowHooks hooks)
    : hooks_(WithDesktopDefaults(std::move(hooks))),
      form_(*this, std::move(services)),
      factors_(ScreenTwipsPerPixel()),
      boldFont_(ControlFont(true)),
      regularFont_(ControlFont(false)),
      picture_(PremultipliedCopy(LoadPictureResource(IDP_LIBRARY_PICTURE))) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    if (!RegisterObjectWindowClass<MainWindow>(kWindowClass, IDI_PLUMEX)) {
        return;
    }
    HMENU menuBar = CreateMainMenuBar();
    if (menuBar == nullptr) {
        return;
    }
    RECT outer{0, 0, TwipsToPixels(forms::kDesignClientWidth, factors_.x),
               TwipsToPixels(forms::kDesignClientHeight, factors_.y)};
    AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
    HWND window = CreateWindowExA(0, kWindowClass, std::string(forms::kDesignCaption).c_str(),
                                  kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                  menuBar, GetModuleHandleA(nullptr), this);
    if (window == nullptr) {
        DestroyMenu(menuBar);
        return;
    }
    window_ = window;
    if (!CreateMainControls(window_, {boldFont_.Get(), regularFont_.Get()}, factors_, controls_)) {
        // A window that never worked was never loaded: its end is no unload.
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(window_, nullptr));
        controls_ = {};
    }
}

MainWindow::~MainWindow() {
    if (window_ != nullptr) {
        // Detached first: the destruction of a window that was never unloaded is no unload.
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(window_, nullptr));
    }
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            window_ = window;
            break;
        case WM_COMMAND:
            Command(wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            if (controls_.statusBar != nullptr) {
                SendMessageA(controls_.statusBar, WM_SIZE, 0, 0);
            }
            // The gradient spans the whole client height: a new height is a new gradient.
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_CLOSE:
            if (form_.Form_QueryUnload()) {
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            hooks_.destroyed();
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            controls_ = {};
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void MainWindow::Command(WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    if (static_cast<int>(id) == ControlId("cmdImport")) {
        if (HIWORD(wParam) == BN_CLICKED) {
            form_.cmdImport_Click();
        }
        return;
    }
    form_.RunMenuCommand(MenuCommandFor(id));
}

// Labels are white on the gradient; the read-only text boxes, which ask the same question,
// keep the system's button colours.
HBRUSH MainWindow::StaticColours(HDC dc, HWND control) {
    if (IsLabel(window_, control)) {
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

void MainWindow::EraseBackground(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    PaintGreenGradient(dc, client.right, client.bottom, factors_.y);
}

void MainWindow::Paint() {
    const common::win32::PaintSession paint(window_);
    if (paint.Dc() != nullptr) {
        DrawPremultiplied(paint.Dc(), picture_, controls_.picture);
    }
}

void MainWindow::SetLabelText(HWND label, std::string_view text) {
    SetText(label, text);
    RECT area{};
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(window_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::SetDisplayField(importer::DisplayField field, std::string_view text) {
    if (const auto found = controls_.fields.find(field); found != controls_.fields.end()) {
        SetText(found->second, text);
    }
}

void MainWindow::SetStatusText(std::string_view text) {
    const std::string line(text);
    SendMessageA(controls_.statusBar, SB_SETTEXTA, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(line.c_str()));
}

importer::MessageAnswer MainWindow::ShowMessage(std::string_view text, std::string_view caption,
                                                importer::MessageButtons buttons,
                                                importer::MessageIcon icon) {
    // Before the window is shown the box stands on its own.
    HWND owner = window_ != nullptr && IsWindowVisible(window_) ? window_ : nullptr;
    return hooks_.showMessage(owner, {text, caption, buttons, icon});
}

void MainWindow::YieldToEvents() {
    PumpPendingMessages(window_);
}

// The outside application cannot tell when an add ends, so the window has no waker and the
// import reads the add's status again after each sleep. Each read is a call into the other
// process: sleeping a timer tick between them, rather than spinning, leaves it the processor,
// and the tick is all that a file's end may wait.
void MainWindow::WaitForEvents(importer::IdleWait) {
    constexpr DWORD kReadIntervalMilliseconds = 10;
    PumpMessagesAfterWait(window_, kReadIntervalMilliseconds);
}

std::optional<std::string> MainWindow::PickFolder(basFiles::WindowHandle owner,
                                                  std::string_view title) {
    return hooks_.pickFolder(common::win32::HandleFromValue<HWND>(owner), title);
}

void MainWindow::SetVersionLabel(std::string_view text) {
    SetLabelText(controls_.versionLabel, text);
}

void MainWindow::SetCaption(std::string_view text) {
    SetText(window_, text);
}

void MainWindow::SetImportCaption(std::string_view text) {
    SetText(controls_.importButton, text);
}

void MainWindow::SetEnabled(forms::MainControl control, bool enabled) {
    if (control == forms::MainControl::cmdImport) {
        EnableWindow(controls_.importButton, enabled ? TRUE : FALSE);
        return;
    }
    const UINT position = control == forms::MainControl::mnuFile ? 0 : 1;
    EnableMenuItem(GetMenu(window_), position, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_);
}

forms::WindowMetrics MainWindow::Metrics() {
    RECT outer{};
    RECT client{};
    RECT button{};
    RECT status{};
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &client);
    GetWindowRect(controls_.importButton, &button);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&button), 2);
    GetWindowRect(controls_.statusBar, &status);
    forms::WindowMetrics metrics;
    metrics.width = (outer.right - outer.left) * factors_.x;
    metrics.height = (outer.bottom - outer.top) * factors_.y;
    metrics.clientHeight = client.bottom * factors_.y;
    metrics.importTop = button.top * factors_.y;
    metrics.importHeight = (button.bottom - button.top) * factors_.y;
    metrics.statusHeight = (status.bottom - status.top) * factors_.y;
    metrics.twipsPerPixelY = factors_.y;
    metrics.screenWidth = GetSystemMetrics(SM_CXSCREEN) * factors_.x;
    metrics.screenHeight = GetSystemMetrics(SM_CYSCREEN) * factors_.y;
    return metrics;
}

void MainWindow::SetHeight(double height) {
    RECT outer{};
    GetWindowRect(window_, &outer);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left,
                 TwipsToPixels(height, factors_.y), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Move(double left, double top) {
    SetWindowPos(window_, nullptr, TwipsToPixels(left, factors_.x), TwipsToPixels(top, factors_.y),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

basFiles::WindowHandle MainWindow::Handle() {
    return common::win32::HandleValue(window_);
}

void MainWindow::OpenHelp() {
    hooks_.openHelp(window_);
}

void MainWindow::OpenAbout() {
    hooks_.openAbout(window_);
}

void MainWindow::Unload() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void MainWindow::EndProgram() {
    hooks_.endProgram();
}

}  // namespace plumex::win32
