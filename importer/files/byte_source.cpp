#include "importer/files/byte_source.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace basFiles {

namespace {

bool FitsWithin(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace

bool MemoryByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!FitsWithin(offset, out.size(), bytes_.size())) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

std::optional<FileByteSource> FileByteSource::Open(std::string_view path) {
    // A directory opens as a stream on some platforms and then reports a nonsense size.
    std::error_code error;
    const std::filesystem::path fsPath{std::string(path)};
    if (!std::filesystem::is_regular_file(fsPath, error)) {
        return std::nullopt;
    }
    std::ifstream stream(fsPath, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (!stream || end < 0) {
        return std::nullopt;
    }
    return FileByteSource(std::move(stream), static_cast<std::uint64_t>(end));
}

bool FileByteSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!FitsWithin(offset, out.size(), size_)) {
        return false;
    }
    if (out.empty()) {
        return true;
    }
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    stream_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return stream_.gcount() == static_cast<std::streamsize>(out.size());
}

}  // namespace basFiles
