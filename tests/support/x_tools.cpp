#include "tests/support/x_tools.h"

#include <cstdio>
#include <cstdlib>

namespace vexo::test_support {

std::string ToolOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r"); pipe != nullptr) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return output;
}

std::vector<std::string> WordsAfter(const std::string& text, const std::string& label) {
    std::vector<std::string> words;
    for (std::size_t at = text.find(label); at != std::string::npos;
         at = text.find(label, at + label.size())) {
        const std::size_t begin = text.find_first_not_of(" \t", at + label.size());
        const std::size_t end = text.find_first_of(" \t\n", begin);
        words.push_back(begin == std::string::npos ? std::string()
                                                   : text.substr(begin, end - begin));
    }
    return words;
}

namespace {

// (The tools' reports are parsed by hand: std::regex draws false warnings from GCC 12 at -O2.)

std::string FirstWordAfter(const std::string& text, const std::string& label) {
    const std::vector<std::string> words = WordsAfter(text, label);
    return words.empty() ? std::string() : words.front();
}

int NumberAfter(const std::string& text, const std::string& label) {
    const std::string word = FirstWordAfter(text, label);
    return word.empty() ? -1 : std::atoi(word.c_str());
}

}  // namespace

std::string XWindows::On(const std::string& window) const {
    return " -display " + display_ + " -id " + window;
}

ScreenBox XWindows::Geometry(const std::string& window) const {
    const std::string info = ToolOutput("xwininfo" + On(window));
    return ScreenBox{NumberAfter(info, "Absolute upper-left X:"),
                     NumberAfter(info, "Absolute upper-left Y:"), NumberAfter(info, "Width:"),
                     NumberAfter(info, "Height:")};
}

std::string XWindows::Frame(const std::string& window) const {
    const std::string root =
        FirstWordAfter(ToolOutput("xwininfo -root -display " + display_), "Window id:");
    std::string outer = window;
    for (std::string tree;
         !root.empty() && !outer.empty() &&
         (tree = ToolOutput("xwininfo -tree" + On(outer))).find("Parent window id: " + root) ==
             std::string::npos;) {
        outer = FirstWordAfter(tree, "Parent window id:");
    }
    return root.empty() ? std::string() : outer;
}

std::vector<int> XWindows::IconSizes(const std::string& window) const {
    const std::string icon = ToolOutput("xprop" + On(window) + " _NET_WM_ICON");
    std::vector<int> sizes;
    for (const std::string& size : WordsAfter(icon, "Icon (")) {
        sizes.push_back(std::atoi(size.c_str()));
    }
    return sizes;
}

}  // namespace vexo::test_support
