#include "common/file_byte_source.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace common {

namespace {

void SetError(std::string* error, std::string reason) {
    if (error != nullptr) {
        *error = std::move(reason);
    }
}

}  // namespace

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::filesystem::path& path,
                                                     std::string* error) {
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        // Opening a folder for reading succeeds on some systems; it has no bytes to give.
        SetError(error, "is a folder");
        return nullptr;
    }
    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        SetError(error, errno != 0 ? std::generic_category().message(errno) : "cannot be opened");
        return nullptr;
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (end < 0 || !stream) {
        SetError(error, "its size cannot be read");
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(
        new FileByteSource(std::move(stream), static_cast<std::uint64_t>(end)));
}

bool FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!FitsWithin(offset, out.size(), size_)) {
        return false;
    }
    const std::optional<std::size_t> read = ReadUpTo(offset, out);
    return read && *read == out.size();
}

std::optional<std::size_t> FileByteSource::ReadUpTo(std::uint64_t offset,
                                                    std::span<std::uint8_t> out) {
    if (out.empty()) {
        return 0;
    }
    // A read that ran into the end leaves the stream failed; each read starts afresh.
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    if (stream_.fail()) {
        return std::nullopt;
    }
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (stream_.bad()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(stream_.gcount());
}

}  // namespace common
