#include "tools/vexo/package_stub.h"

#include <memory>
#include <system_error>

#include "common/file_byte_source.h"
#include "common/own_program.h"

#ifndef VEXO_SETUP_BUILD_PATH
#define VEXO_SETUP_BUILD_PATH ""
#endif

namespace vexo::cli {

std::vector<std::filesystem::path> DefaultStubCandidates() {
#ifdef _WIN32
    constexpr const char* kStubName = "VEXOSetup.exe";
#else
    constexpr const char* kStubName = "VEXOSetup";
#endif
    std::vector<std::filesystem::path> candidates;
    const std::string ownFolder = common::OwnProgramFile().folder;
    if (!ownFolder.empty()) {
        candidates.emplace_back(std::filesystem::path(ownFolder) / kStubName);
    }
    // Empty when the build has no VEXOSetup target.
    const std::string_view built = VEXO_SETUP_BUILD_PATH;
    if (!built.empty()) {
        candidates.emplace_back(built);
    }
    return candidates;
}

std::optional<StubFile> ReadStubFile(const std::filesystem::path& path, std::string& error) {
    const std::unique_ptr<common::FileByteSource> source =
        common::FileByteSource::Open(path, &error);
    if (source == nullptr) {
        return std::nullopt;
    }
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (statusError) {
        error = statusError.message();
        return std::nullopt;
    }
    StubFile stub;
    stub.permissions = status.permissions();
    stub.bytes.resize(static_cast<std::size_t>(source->Size()));
    if (!source->ReadAt(0, stub.bytes)) {
        error = "a read failed before the end of the file";
        return std::nullopt;
    }
    return stub;
}

std::filesystem::perms PackagePermissions(std::filesystem::perms stub) {
    using std::filesystem::perms;
    // VEXOSetup reads its own file to find the payload, so its owner must be able to read it.
    perms result = (stub & (perms::owner_all | perms::group_all | perms::others_all)) |
                   perms::owner_read | perms::owner_exec;
    if ((stub & perms::group_read) != perms::none) {
        result |= perms::group_exec;
    }
    if ((stub & perms::others_read) != perms::none) {
        result |= perms::others_exec;
    }
    return result;
}

}  // namespace vexo::cli
