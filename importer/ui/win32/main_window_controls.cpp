#include "importer/ui/win32/main_window_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "importer/forms/main_window_layout.h"

namespace plumex::win32 {
namespace {

using forms::ControlKind;
using forms::ControlLayout;
using importer::DisplayField;

constexpr int kFirstControlId = 100;

constexpr std::pair<std::string_view, DisplayField> kFieldNames[] = {
    {"txtShow", DisplayField::Show},
    {"txtSeasonNumber", DisplayField::SeasonNumber},
    {"txtEpisodeNumber", DisplayField::EpisodeNumber},
    {"txtEpisodeID", DisplayField::EpisodeID},
};

RECT PixelRect(const ControlLayout& control, TwipsPerPixel factors) {
    const forms::TwipsRect rect = forms::ShownRect(control, factors.x, factors.y);
    const int left = TwipsToPixels(rect.left, factors.x);
    const int top = TwipsToPixels(rect.top, factors.y);
    return {left, top, left + TwipsToPixels(rect.width, factors.x),
            top + TwipsToPixels(rect.height, factors.y)};
}

HWND CreateChild(HWND window, const char* windowClass, const ControlLayout& control, DWORD style,
                 DWORD exStyle, TwipsPerPixel factors) {
    const RECT rect = PixelRect(control, factors);
    return CreateWindowExA(exStyle, windowClass, std::string(control.text).c_str(),
                           WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control.name))),
                           GetModuleHandleA(nullptr), nullptr);
}

// The status bar keeps the bottom edge at full width itself; only its height comes from the
// layout, as the least height of its text area inside the borders.
HWND CreateStatusBar(HWND window, const ControlLayout& control, TwipsPerPixel factors) {
    HWND bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(control.name))),
                        GetModuleHandleA(nullptr), nullptr);
    if (bar == nullptr) {
        return nullptr;
    }
    const int height = TwipsToPixels(control.rect.height, factors.y);
    SendMessageA(bar, SB_SETMINHEIGHT,
                 static_cast<WPARAM>(height - 2 * GetSystemMetrics(SM_CYBORDER)), 0);
    SendMessageA(bar, SB_SIMPLE, TRUE, 0);
    SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(std::string(control.text).c_str()));
    SendMessageA(bar, WM_SIZE, 0, 0);
    return bar;
}

HWND CreateControl(HWND window, const ControlLayout& control, const ControlFonts& fonts,
                   TwipsPerPixel factors, MainControls& controls) {
    switch (control.kind) {
        case ControlKind::Picture:
            controls.picture = PixelRect(control, factors);
            return window;
        case ControlKind::Label: {
            HWND label =
                CreateChild(window, "STATIC", control, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, factors);
            if (control.name == "lbliTunesVer") {
                controls.versionLabel = label;
            }
            SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.bold), FALSE);
            return label;
        }
        case ControlKind::TextBox: {
            HWND box =
                CreateChild(window, "EDIT", control, WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                            WS_EX_CLIENTEDGE, factors);
            for (const auto& [name, field] : kFieldNames) {
                if (name == control.name) {
                    controls.fields[field] = box;
                }
            }
            SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.bold), FALSE);
            return box;
        }
        case ControlKind::CommandButton:
            controls.importButton =
                CreateChild(window, "BUTTON", control, WS_TABSTOP | BS_PUSHBUTTON, 0, factors);
            SendMessageA(controls.importButton, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.regular),
                         FALSE);
            return controls.importButton;
        case ControlKind::StatusBar:
            controls.statusBar = CreateStatusBar(window, control, factors);
            return controls.statusBar;
    }
    return nullptr;
}

}  // namespace

int ControlId(std::string_view name) {
    for (std::size_t i = 0; i < forms::kMainControls.size(); ++i) {
        if (forms::kMainControls[i].name == name) {
            return kFirstControlId + static_cast<int>(i);
        }
    }
    return 0;
}

bool CreateMainControls(HWND window, const ControlFonts& fonts, TwipsPerPixel factors,
                        MainControls& controls) {
    // Keyboard navigation follows the order the children were made in.
    std::vector<const ControlLayout*> inTabOrder;
    for (const ControlLayout& control : forms::kMainControls) {
        inTabOrder.push_back(&control);
    }
    std::stable_sort(
        inTabOrder.begin(), inTabOrder.end(),
        [](const ControlLayout* a, const ControlLayout* b) { return a->tabIndex < b->tabIndex; });
    for (const ControlLayout* control : inTabOrder) {
        if (CreateControl(window, *control, fonts, factors, controls) == nullptr) {
            return false;
        }
    }
    return true;
}

bool IsLabel(HWND window, HWND control) {
    const int id = GetDlgCtrlID(control);
    for (const ControlLayout& layout : forms::kMainControls) {
        if (layout.kind == ControlKind::Label && ControlId(layout.name) == id) {
            return GetParent(control) == window;
        }
    }
    return false;
}

}  // namespace plumex::win32
