// The main window's child controls, made from the designed layout: labels as STATIC controls,
// the display fields as read-only EDIT controls, the Import button and the status bar in
// single-text mode. The picture has no control of its own: the window paints it into its place.
#pragma once

#include <windows.h>

#include <map>
#include <string_view>

#include "importer/import_view.h"
#include "importer/ui/win32/screen_twips.h"

namespace plumex::win32 {

// The child-window id of a control of the layout (GetDlgItem finds it by this id); 0 for a
// name the layout does not have.
int ControlId(std::string_view name);

struct MainControls {
    HWND versionLabel = nullptr;
    HWND importButton = nullptr;
    HWND statusBar = nullptr;
    std::map<importer::DisplayField, HWND> fields;
    RECT picture{};  // client pixels
};

struct ControlFonts {
    HFONT bold = nullptr;     // labels and text boxes
    HFONT regular = nullptr;  // the button
};

// Creates the controls inside window in tab order, at the layout's positions converted with
// factors. False when one of them could not be made.
bool CreateMainControls(HWND window, const ControlFonts& fonts, TwipsPerPixel factors,
                        MainControls& controls);

// Whether a control of window is one of the layout's labels (drawn transparent, in white).
bool IsLabel(HWND window, HWND control);

}  // namespace plumex::win32
