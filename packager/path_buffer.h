// A path built in memory that its owner set aside beforehand. Text that does not fit is refused,
// never given more room, so that building a path can fail only as a value and never runs out of
// memory; the text is always followed by a NUL, for the system's calls.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>

namespace packager {

class PathBuffer {
  public:
    // storage holds the text and its NUL; it must have room for the NUL at least.
    explicit PathBuffer(std::span<char> storage) : storage_(storage) { storage_[0] = '\0'; }
    PathBuffer(const PathBuffer&) = delete;
    PathBuffer& operator=(const PathBuffer&) = delete;

    std::string_view View() const { return {storage_.data(), length_}; }
    const char* CStr() const { return storage_.data(); }
    std::size_t Length() const { return length_; }
    // The longest text that fits.
    std::size_t Capacity() const { return storage_.size() - 1; }

    // Each false, changing nothing, when the text would not fit.
    bool Assign(std::string_view text) {
        length_ = 0;
        storage_[0] = '\0';
        return Append(text);
    }
    bool Append(std::string_view text) {
        if (text.size() > Capacity() - length_) {
            return false;
        }
        std::copy(text.begin(), text.end(), storage_.data() + length_);
        SetLength(length_ + text.size());
        return true;
    }

    // Cuts the text back to its first length characters (at most Length()).
    void Truncate(std::size_t length) { SetLength(std::min(length, length_)); }
    // Drops one separator at the end, unless it is the whole text (a root folder).
    void DropTrailing(char separator) {
        if (length_ > 1 && storage_[length_ - 1] == separator) {
            SetLength(length_ - 1);
        }
    }

    // For a system call that writes the text itself: the storage, then the length it wrote
    // (at most Capacity()).
    std::span<char> Storage() { return storage_; }
    void SetLength(std::size_t length) {
        length_ = length;
        storage_[length_] = '\0';
    }

  private:
    std::span<char> storage_;
    std::size_t length_ = 0;
};

}  // namespace packager
