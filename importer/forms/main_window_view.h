// What the main window's logic needs of the window itself: besides the import's display
// fields, status text, message boxes and yields, the version label, the button and menus,
// the window's caption and geometry, the folder chooser, the Help and About windows, and the
// ways the program ends. A frontend implements it by drawing; tests by recording.
#pragma once

#include <string_view>

#include "importer/files/browse.h"
#include "importer/import_view.h"

namespace forms {

// The import's part of the window, and the message boxes' vocabulary, are the main window's too.
using importer::DisplayField;
using importer::ImportView;
using importer::MessageAnswer;
using importer::MessageButtons;
using importer::MessageIcon;

// The controls whose enabled state the import switches.
enum class MainControl { cmdImport, mnuFile, mnuHelp };

// The window and the screen, in twips.
struct WindowMetrics {
    double width = 0;  // outer size of the window
    double height = 0;
    double clientHeight = 0;  // inside the frame, caption and menu bar
    double importTop = 0;     // cmdImport
    double importHeight = 0;
    double statusHeight = 0;  // stbMain
    double twipsPerPixelY = 15;
    double screenWidth = 0;
    double screenHeight = 0;
};

// The folder chooser comes with the window: PickFolder shows it modally over the window.
class MainWindowView : public ImportView, public basFiles::FolderPicker {
  public:
    virtual void SetVersionLabel(std::string_view text) = 0;  // lbliTunesVer
    virtual void SetCaption(std::string_view text) = 0;
    virtual void SetImportCaption(std::string_view text) = 0;  // cmdImport's caption
    virtual void SetEnabled(MainControl control, bool enabled) = 0;

    virtual WindowMetrics Metrics() = 0;
    virtual void SetHeight(double height) = 0;
    // One move of the window's top-left corner.
    virtual void Move(double left, double top) = 0;
    // The window's handle, the owner of the folder chooser.
    virtual basFiles::WindowHandle Handle() = 0;

    // Modal windows; each returns when the user has closed it.
    virtual void OpenHelp() = 0;
    virtual void OpenAbout() = 0;

    // Unloads the main window, as its close command does; that ends the program.
    virtual void Unload() = 0;
    // Ends the program at once: no unload handler runs and nothing is saved. Where it cannot
    // end the process (a test), it returns and the handler that called it returns at once.
    virtual void EndProgram() = 0;
};

}  // namespace forms
