// The main window as designed: its controls with their texts, positions and sizes in twips
// and their tab order, and its menus. Both frontends build the window from these tables.
#pragma once

#include <array>
#include <string_view>

#include "importer/forms/geometry.h"

namespace forms {

using forms::TwipsRect;

enum class ControlKind { Picture, Label, TextBox, CommandButton, StatusBar };

struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    std::string_view text;  // the design text ("&" marks the access key of the button)
    TwipsRect rect;
    int tabIndex;
};

inline constexpr std::string_view kDesignCaption = "VEXO(tm) Plumex";
inline constexpr double kDesignClientWidth = 5352;
inline constexpr double kDesignClientHeight = 3612;
// "Microsoft Sans Serif" where it is installed, else the closest sans-serif font.
inline constexpr std::string_view kControlFontFamily = "Microsoft Sans Serif";
inline constexpr double kControlFontPoints = 10.2;

inline constexpr std::array<ControlLayout, 12> kMainControls{{
    {"imgiTunes", ControlKind::Picture, "", {1086, 60, 576, 576}, -1},
    {"lbliTunesVer", ControlKind::Label, "iTunes NOT DETECTED", {1806, 240, 2460, 240}, 1},
    {"lblShow", ControlKind::Label, "Show:", {60, 660, 612, 240}, 2},
    {"txtShow", ControlKind::TextBox, "", {60, 900, 5232, 312}, 6},
    {"lblSeasonNumber", ControlKind::Label, "Season Number:", {60, 1320, 1668, 240}, 3},
    {"lblEpisodeNumber", ControlKind::Label, "Episode Number:", {3180, 1320, 1728, 240}, 5},
    {"txtSeasonNumber", ControlKind::TextBox, "", {60, 1560, 2112, 312}, 7},
    {"txtEpisodeNumber", ControlKind::TextBox, "", {3180, 1560, 2112, 312}, 9},
    {"lblEpisodeID", ControlKind::Label, "Episode ID:", {60, 1980, 1176, 240}, 4},
    {"txtEpisodeID", ControlKind::TextBox, "", {60, 2220, 5232, 312}, 8},
    {"cmdImport", ControlKind::CommandButton, "&Import TV Shows...", {1650, 2700, 2052, 372}, 0},
    {"stbMain", ControlKind::StatusBar, "OK", {0, 3180, 5352, 432}, 10},
}};

// imgiTunes' picture. An image box that does not stretch takes the size of its picture, so the
// box shows the whole picture at its pixel size whatever its designed size.
inline constexpr PixelSize kLibraryPictureSize{48, 48};

// Where a control stands once the window is built: its designed rectangle, except that the
// picture box takes its picture's size, converted with the screen's twips per pixel.
constexpr TwipsRect ShownRect(const ControlLayout& control, double twipsPerPixelX,
                              double twipsPerPixelY) {
    if (control.kind != ControlKind::Picture) {
        return control.rect;
    }
    return TwipsRect{control.rect.left, control.rect.top,
                     kLibraryPictureSize.width * twipsPerPixelX,
                     kLibraryPictureSize.height * twipsPerPixelY};
}

// The layout of the control with this name; the program's own names only.
constexpr const ControlLayout& ControlNamed(std::string_view name) {
    for (const ControlLayout& control : kMainControls) {
        if (control.name == name) {
            return control;
        }
    }
    return kMainControls.back();
}

enum class MenuCommand { None, Import, Exit, Contents, About };

struct MenuItemLayout {
    std::string_view name;
    std::string_view text;  // empty for a separator
    MenuCommand command;
};

struct MenuLayout {
    std::string_view name;
    std::string_view text;
    std::array<MenuItemLayout, 3> items;
};

inline constexpr std::array<MenuLayout, 2> kMainMenus{{
    {"mnuFile",
     "&File",
     {{{"mnuImport", "&Import TV Shows...", MenuCommand::Import},
       {"mnuS0", "", MenuCommand::None},
       {"mnuExit", "E&xit", MenuCommand::Exit}}}},
    {"mnuHelp",
     "&Help",
     {{{"mnuContents", "&Contents...", MenuCommand::Contents},
       {"mnuS1", "", MenuCommand::None},
       {"mnuAbout", "&About...", MenuCommand::About}}}},
}};

}  // namespace forms
