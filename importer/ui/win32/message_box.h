// The main window's modal message boxes: the logic's buttons and icon as MessageBoxA styles,
// and the button pressed as the logic's answer.
#pragma once

#include <windows.h>

#include <string_view>

#include "importer/import_view.h"

namespace plumex::win32 {

// MB_OK or MB_YESNO with No as the default button, and the icon's MB_ICON* flag.
UINT MessageBoxStyle(importer::MessageButtons buttons, importer::MessageIcon icon);

// The answer for what MessageBoxA returned. A box that could not be shown, or was closed
// without a choice, answers No to a question and Ok to a report.
importer::MessageAnswer AnswerFor(int pressed, importer::MessageButtons buttons);

// Modal over owner (or over nothing when owner is null).
importer::MessageAnswer ShowMessageBox(HWND owner, std::string_view text, std::string_view caption,
                                       importer::MessageButtons buttons,
                                       importer::MessageIcon icon);

}  // namespace plumex::win32
