// The platform's modal message box for the main window's questions and reports.
#pragma once

#include <string_view>

#include "importer/import_view.h"

class QWidget;

namespace plumex::qt {

// Shows a modal box over parent (or over nothing) with the title as caption; Yes/No boxes
// have No as their default button. Closing the box with Esc answers No (Ok for an OK box).
importer::MessageAnswer ShowMessageBox(QWidget* parent, std::string_view text,
                                       std::string_view caption, importer::MessageButtons buttons,
                                       importer::MessageIcon icon);

}  // namespace plumex::qt
