#include "packager/format/entry_name.h"

#include <algorithm>

namespace packager::format {

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The part before the first dot, less trailing blanks ("con .txt" is the console too), is one of
// the names Windows reserves for devices.
bool IsDeviceName(std::string_view name) {
    std::string_view base = name;
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
        base.remove_suffix(name.size() - dot);
    }
    while (!base.empty() && base.back() == ' ') {
        base.remove_suffix(1);
    }
    char upper[5] = {};
    if (base.size() < 3 || base.size() > 4) {
        return false;
    }
    for (std::size_t i = 0; i < base.size(); ++i) {
        upper[i] = AsciiUpper(base[i]);
    }
    const std::string_view word(upper, base.size());
    if (word == "CON" || word == "PRN" || word == "AUX" || word == "NUL") {
        return true;
    }
    return word.size() == 4 && (word.starts_with("COM") || word.starts_with("LPT")) &&
           word[3] >= '1' && word[3] <= '9';
}

}  // namespace

NameFault CheckPlainFileName(std::string_view name) {
    if (name.empty()) {
        return NameFault::Empty;
    }
    if (name.size() > kMaxEntryNameLength) {
        return NameFault::TooLong;
    }
    if (name.find('\0') != std::string_view::npos) {
        return NameFault::HoldsNul;
    }
    if (name.find_first_of("\\/") != std::string_view::npos) {
        return NameFault::FolderPart;
    }
    if (name.find(':') != std::string_view::npos) {
        return NameFault::Drive;
    }
    if (name == "." || name.find("..") != std::string_view::npos) {
        return NameFault::Dots;
    }
    if (name.back() == '.' || name.back() == ' ') {
        return NameFault::TrailingDotOrBlank;
    }
    if (IsDeviceName(name)) {
        return NameFault::Device;
    }
    return NameFault::None;
}

std::optional<std::string_view> EntryPath(std::string_view folder, const EntryHeader& header,
                                          std::span<char, kPathBufferBytes> path) {
    const std::optional<std::string_view> name = header.Name();
    if (!name || CheckPlainFileName(*name) != NameFault::None ||
        folder.size() + 1 + name->size() + 1 > kPathBufferBytes) {
        return std::nullopt;
    }
    char* end = std::copy(folder.begin(), folder.end(), path.data());
    *end++ = kPathSeparator;
    end = std::copy(name->begin(), name->end(), end);
    *end = '\0';
    return std::string_view(path.data(), static_cast<std::size_t>(end - path.data()));
}

}  // namespace packager::format
