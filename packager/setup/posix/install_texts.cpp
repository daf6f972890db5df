#include "packager/setup/posix/install_texts.h"

#include <algorithm>

namespace setup::posix {

namespace {

// One argument of an Exec value: quoted where the desktop entry format reserves a character,
// "%" doubled (a single one starts a field code), then escaped as the format's strings are.
std::string ExecArgument(std::string_view argument) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#`()";
    constexpr std::string_view kEscapedInQuotes = "\"`$\\";
    std::string quoted;
    const bool needsQuotes = argument.find_first_of(kReserved) != std::string_view::npos;
    if (needsQuotes) {
        quoted += '"';
    }
    for (const char c : argument) {
        if (needsQuotes && kEscapedInQuotes.find(c) != std::string_view::npos) {
            quoted += '\\';
        }
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    if (needsQuotes) {
        quoted += '"';
    }
    std::string escaped;
    for (const char c : quoted) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string ShellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// A comment line may hold any text but a line break.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

}  // namespace

std::string InstalledDesktopEntry(std::string_view entry, std::string_view program,
                                  std::string_view installedPath) {
    constexpr std::string_view kExec = "Exec=";
    std::string text;
    while (!entry.empty()) {
        const std::size_t end = entry.find('\n');
        const std::string_view line = entry.substr(0, end);
        entry = end == std::string_view::npos ? std::string_view() : entry.substr(end + 1);
        const std::string_view command = line.substr(std::min(kExec.size(), line.size()));
        const std::size_t blank = command.find(' ');
        if (line.starts_with(kExec) && command.substr(0, blank) == program) {
            text.append(kExec).append(ExecArgument(installedPath));
            if (blank != std::string_view::npos) {
                text.append(command.substr(blank));
            }
        } else {
            text.append(line);
        }
        if (end != std::string_view::npos) {
            text += '\n';
        }
    }
    return text;
}

std::string UninstallScript(const std::vector<std::string>& files,
                            const std::vector<std::string>& folders, std::string_view product,
                            std::string_view prefix) {
    // The deepest folders first, so that each is empty by the time its turn comes.
    std::vector<std::string> deepestFirst = folders;
    const auto depth = [](const std::string& path) {
        return std::count(path.begin(), path.end(), '/');
    };
    std::sort(deepestFirst.begin(), deepestFirst.end(),
              [&](const std::string& a, const std::string& b) {
                  return depth(a) != depth(b) ? depth(a) > depth(b) : a < b;
              });
    std::string fileList;
    for (const std::string& file : files) {
        fileList += "    " + ShellQuoted(file) + " \\\n";
    }
    std::string folderList;
    for (const std::string& folder : deepestFirst) {
        folderList += "    " + ShellQuoted(folder) + " \\\n";
    }
    return "#!/bin/sh\n"
           "# Removes " +
           OneLine(product) + " from " + OneLine(prefix) +
           ": the files its setup installed, then the\n"
           "# folders the setup made, each only when it is empty. Other files in them stay.\n"
           "status=0\n"
           "for file in \\\n" +
           fileList +
           "    ; do\n"
           "    rm -f -- \"$file\" || status=1\n"
           "done\n"
           "for folder in \\\n" +
           folderList +
           "    ; do\n"
           "    rmdir -- \"$folder\" 2>/dev/null\n"
           "done\n"
           "if [ \"$status\" -eq 0 ]; then\n"
           "    echo " +
           ShellQuoted(std::string(product) + " was removed from " + std::string(prefix) + ".") +
           "\n"
           "fi\n"
           "exit \"$status\"\n";
}

}  // namespace setup::posix
