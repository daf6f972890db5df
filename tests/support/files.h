// A file's whole contents, read and written in one call, and text cut into lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vexo::test_support {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text);

// Writes the file anew, byte for byte, creating the folders above it; false when that failed.
bool WriteFile(const std::filesystem::path& path, std::string_view text);
bool WriteBytes(const std::filesystem::path& path, const Bytes& bytes);

// The whole file; empty when it cannot be read.
std::string ReadText(const std::filesystem::path& path);
Bytes ReadBytes(const std::filesystem::path& path);

// The lines of text without their line feeds.
std::vector<std::string> Lines(const std::string& text);

}  // namespace vexo::test_support
