// Adds each file named on the command line to the "Movies" playlist of the library at the
// first argument, one after the other, and writes "added", "ignored" or "failed" with the path
// on its standard output as soon as each add is done: a second process for the tests.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "importer/itunes/library/media_library.h"

namespace {

bool WriteAll(const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: library_add_helper DATABASE FILE...\n", stderr);
        return 2;
    }
    auto library = itunes::library::MediaLibrary::Open(argv[1]);
    if (library == nullptr) {
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const auto outcome = library->AddAndWait(argv[i]);
        const char* word = outcome.result == itunes::library::AddResult::kAdded     ? "added"
                           : outcome.result == itunes::library::AddResult::kIgnored ? "ignored"
                                                                                    : "failed";
        if (!WriteAll(std::string(word) + " " + argv[i] + "\n")) {
            return 1;
        }
    }
    return 0;
}
