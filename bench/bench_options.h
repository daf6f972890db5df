// The command line every benchmark program takes. --quick cuts each size to a token one, so that
// CI can run every benchmark once and none of them rots unnoticed; its figures mean nothing.
#pragma once

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace vexo::bench {

struct BenchOptions {
    bool quick = false;
    std::string folder;  // where the benchmark makes its files, when it takes one
};

// The full size, or the token one under --quick.
template <typename Size>
constexpr Size Sized(const BenchOptions& options, Size full, Size quick) {
    return options.quick ? quick : full;
}

// The options, or the exit code when the program is to end at once (after --help, 0; after a
// mistake, 2, with the usage on stderr). `purpose` is one line saying what the program measures.
struct ParsedBenchOptions {
    BenchOptions options;
    std::optional<int> exitCode;
};

inline ParsedBenchOptions ParseBenchOptions(int argc, char** argv, const char* purpose,
                                            bool takesFolder = false) {
    const char* program = argc > 0 ? argv[0] : "bench";
    const auto usage = [&](std::FILE* stream) {
        std::fprintf(stream, "Usage: %s [--quick]%s\n%s\n\n", program,
                     takesFolder ? " [FOLDER]" : "", purpose);
        std::fprintf(stream,
                     "  --quick   token sizes: checks that the program runs, measures "
                     "nothing\n");
        std::fprintf(stream, "  --help    this text\n");
        if (takesFolder) {
            std::fprintf(stream,
                         "  FOLDER    where the files are made (default: the temporary "
                         "folder)\n");
        }
    };
    ParsedBenchOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            usage(stdout);
            parsed.exitCode = 0;
            return parsed;
        }
        if (std::strcmp(argument, "--quick") == 0) {
            parsed.options.quick = true;
        } else if (takesFolder && argument[0] != '-' && parsed.options.folder.empty()) {
            parsed.options.folder = argument;
        } else {
            std::fprintf(stderr, "%s: unknown argument '%s'\n", program, argument);
            usage(stderr);
            parsed.exitCode = 2;
            return parsed;
        }
    }
    return parsed;
}

// A numbered option ("--episodes N") taken out of the command line before ParseBenchOptions reads
// the rest; the number, or the exit code when it is not one from 1 to 100,000.
struct CountOption {
    std::optional<int> count;
    std::vector<char*> rest;
    std::optional<int> exitCode;
};

inline CountOption TakeCountOption(int argc, char** argv, const char* option) {
    CountOption taken;
    for (int i = 0; i < argc; ++i) {
        if (i == 0 || std::strcmp(argv[i], option) != 0) {
            taken.rest.push_back(argv[i]);
            continue;
        }
        const char* text = i + 1 < argc ? argv[++i] : "";
        const char* end = text + std::strlen(text);
        int count = 0;
        const auto [stop, error] = std::from_chars(text, end, count);
        if (error != std::errc() || stop != end || count < 1 || count > 100'000) {
            std::fprintf(stderr, "%s: %s takes a number from 1 to 100000\n",
                         argc > 0 ? argv[0] : "bench", option);
            taken.exitCode = 2;
            return taken;
        }
        taken.count = count;
    }
    return taken;
}

}  // namespace vexo::bench
