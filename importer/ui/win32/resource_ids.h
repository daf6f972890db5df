// Resource identifiers of Plumex.exe, shared by the resource scripts and the code that loads
// them.
#pragma once

// plumex.rc: the program's icon (the first icon group, which the shell shows) and its version.
#define IDI_PLUMEX 1

// art/art.rc: the windows' pictures as PNG data (RCDATA) and the About window's hand cursor.
#define IDP_HELP_FOLDER 101
#define IDP_HELP_FILE 102
#define IDI_HELP 103
#define IDP_ABOUT_BACKGROUND 111
#define IDP_ABOUT_LOGO_VEXO 112
#define IDP_ABOUT_LOGO_OVER 113
#define IDP_ABOUT_BUTTON_UP 114
#define IDP_ABOUT_BUTTON_OVER 115
#define IDP_ABOUT_BUTTON_DOWN 116
#define IDC_ABOUT_HAND 117
#define IDP_LIBRARY_PICTURE 121
