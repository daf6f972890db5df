// The stub a package starts with: the VEXOSetup program, read whole so that the format can
// check it and copy it unchanged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vexo::cli {

// Where the built VEXOSetup may be, in the order they are tried: beside the running program
// (an installed vexo), then the one of vexo's own build tree, when the build has one.
std::vector<std::filesystem::path> DefaultStubCandidates();

struct StubFile {
    std::vector<std::uint8_t> bytes;
    std::filesystem::perms permissions = std::filesystem::perms::none;
};

// The file's bytes and permission bits; std::nullopt, with the reason in error, when it cannot
// be read.
std::optional<StubFile> ReadStubFile(const std::filesystem::path& path, std::string& error);

// The permissions a package gets: the stub's, made executable by everyone who may read it.
std::filesystem::perms PackagePermissions(std::filesystem::perms stub);

}  // namespace vexo::cli
