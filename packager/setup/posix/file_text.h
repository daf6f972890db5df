// Whole texts through a file descriptor, retried where a signal cut a call short: the setup
// catches the stop signals, so a read or write may end early without having failed.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

namespace setup::posix {

// Everything up to the end; std::nullopt when a read fails.
inline std::optional<std::string> ReadToEnd(int fd) {
    std::string text;
    char block[65536];
    while (true) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return text;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
}

inline bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace setup::posix
