// What every seed-corpus generator shares: the folder named by its one argument, and writing
// named byte strings into it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace vexo::fuzz {

using Seeds = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// The seed folder, created when missing; std::nullopt (after a message on stderr) when the
// arguments are wrong or the folder cannot be made.
inline std::optional<std::filesystem::path> SeedFolder(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argc > 0 ? argv[0] : "seeds");
        return std::nullopt;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s\n", folder.string().c_str());
        return std::nullopt;
    }
    return folder;
}

inline bool WriteSeeds(const std::filesystem::path& folder, const Seeds& seeds) {
    for (const auto& [name, bytes] : seeds) {
        std::ofstream file(folder / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).string().c_str());
            return false;
        }
    }
    return true;
}

}  // namespace vexo::fuzz
