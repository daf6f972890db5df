// Windows on an X display as the X client tools (xwininfo, xprop) read them back from the
// server: what a real window manager made of them, not what the program believes.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace vexo::test_support {

// The standard output of a shell command.
std::string ToolOutput(const std::string& command);
// The words that follow each occurrence of label in text (after blanks), in order.
std::vector<std::string> WordsAfter(const std::string& text, const std::string& label);

// A window's rectangle on the screen, in pixels.
struct ScreenBox {
    int x = -1;
    int y = -1;
    int width = -1;
    int height = -1;

    friend bool operator==(const ScreenBox&, const ScreenBox&) = default;
    friend void PrintTo(const ScreenBox& box, std::ostream* out) {
        *out << box.width << "x" << box.height << "+" << box.x << "+" << box.y;
    }
};

class XWindows {
  public:
    // display: for DISPLAY, ":<number>".
    explicit XWindows(std::string display) : display_(std::move(display)) {}

    // window: an X window id, in any form the tools take.
    ScreenBox Geometry(const std::string& window) const;
    // The window the manager put window into: its ancestor that is a child of the root window,
    // which is what the user sees. Empty when the tree cannot be read.
    std::string Frame(const std::string& window) const;
    // The sizes (edges) of the images of the window's _NET_WM_ICON, in order.
    std::vector<int> IconSizes(const std::string& window) const;

  private:
    std::string On(const std::string& window) const;

    std::string display_;
};

}  // namespace vexo::test_support
