#include "tools/vexo/file_byte_source.h"

#include <cerrno>
#include <system_error>

namespace vexo::cli {

std::string LastErrorText() {
    return std::generic_category().message(errno);
}

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::filesystem::path& path,
                                                     std::string& error) {
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        // Opening a folder for reading succeeds on some systems; it has no bytes to give.
        error = "is a folder";
        return nullptr;
    }
    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) {
        error = errno != 0 ? LastErrorText() : "cannot be opened";
        return nullptr;
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    stream.seekg(0, std::ios::beg);
    if (end < 0 || !stream) {
        error = "its size cannot be read";
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(
        new FileByteSource(std::move(stream), static_cast<std::uint64_t>(end)));
}

bool FileByteSource::Read(std::span<std::uint8_t> out) {
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return stream_.gcount() == static_cast<std::streamsize>(out.size());
}

std::optional<std::size_t> FileByteSource::ReadUpTo(std::span<std::uint8_t> out) {
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (stream_.bad()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(stream_.gcount());
}

bool FileByteSource::Seek(std::uint64_t offset) {
    // A read that ran into the end leaves the stream failed; a seek starts afresh.
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    return !stream_.fail();
}

}  // namespace vexo::cli
