// Reading the package and writing the entries.
#include "packager/win32/win32_files.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>

#include "packager/win32/win32_platform.h"

namespace packager::win32 {

namespace {

// ReadFile and WriteFile move at most a DWORD's worth of bytes per call.
constexpr std::size_t kLargestTransfer = std::numeric_limits<DWORD>::max();

DWORD TransferSize(std::size_t remaining) {
    return static_cast<DWORD>(std::min(remaining, kLargestTransfer));
}

class ReadableFile final : public common::ByteSource {
  public:
    ReadableFile(common::win32::UniqueHandle file, std::uint64_t size)
        : file_(std::move(file)), size_(size) {}

    std::uint64_t Size() const override { return size_; }

    // A read that ends early (the end of the file) is a failure, as the source promises. The
    // offset rides in the OVERLAPPED structure, which a handle opened for synchronous use
    // reads from and waits for as an ordinary read.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        // No file reaches past the offsets that the system can name.
        constexpr auto kFileOffsets =
            static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
        if (!common::FitsWithin(offset, out.size(), kFileOffsets)) {
            return false;
        }
        for (std::size_t done = 0; done < out.size();) {
            const std::uint64_t at = offset + done;
            OVERLAPPED position{};
            position.Offset = static_cast<DWORD>(at);
            position.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD read = 0;
            if (!::ReadFile(file_.Get(), out.data() + done, TransferSize(out.size() - done), &read,
                            &position) ||
                read == 0) {
                return false;
            }
            done += read;
        }
        return true;
    }

  private:
    common::win32::UniqueHandle file_;
    std::uint64_t size_;
};

class EntryFile final : public WritableFile {
  public:
    explicit EntryFile(common::win32::UniqueHandle file) : file_(std::move(file)) {}

    bool Write(std::span<const std::uint8_t> bytes) override {
        for (std::size_t done = 0; done < bytes.size();) {
            DWORD written = 0;
            if (!::WriteFile(file_.Get(), bytes.data() + done, TransferSize(bytes.size() - done),
                             &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        return true;
    }

    bool Flush() override { return ::FlushFileBuffers(file_.Get()) != FALSE; }

  private:
    common::win32::UniqueHandle file_;
};

}  // namespace

common::win32::UniqueHandle OpenPackageFile(const std::string& path) {
    return common::win32::UniqueHandle(::CreateFileA(
        path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

common::win32::UniqueHandle CreateEntryFile(const std::string& path) {
    return common::win32::UniqueHandle(
        ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
}

std::unique_ptr<common::ByteSource> Win32Platform::OpenForReading(const std::string& path) {
    common::win32::UniqueHandle file = OpenPackageFile(path);
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size)) {
        return nullptr;
    }
    return std::make_unique<ReadableFile>(std::move(file),
                                          static_cast<std::uint64_t>(size.QuadPart));
}

std::unique_ptr<WritableFile> Win32Platform::CreateFile(const std::string& path) {
    common::win32::UniqueHandle file = CreateEntryFile(path);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<EntryFile>(std::move(file));
}

}  // namespace packager::win32
