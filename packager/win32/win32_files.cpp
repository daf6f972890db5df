// Reading the package and writing the entries.
#include "packager/win32/win32_files.h"

#include <algorithm>
#include <limits>

#include "packager/win32/win32_platform.h"

namespace packager::win32 {

namespace {

// ReadFile and WriteFile move at most a DWORD's worth of bytes per call.
constexpr std::size_t kLargestTransfer = std::numeric_limits<DWORD>::max();

DWORD TransferSize(std::size_t remaining) {
    return static_cast<DWORD>(std::min(remaining, kLargestTransfer));
}

}  // namespace

common::win32::UniqueHandle OpenPackageFile(const char* path) {
    return common::win32::UniqueHandle(::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

common::win32::UniqueHandle CreateEntryFile(const char* path) {
    return common::win32::UniqueHandle(
        ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
}

bool PackageFile::Open(const char* path) {
    file_ = OpenPackageFile(path);
    LARGE_INTEGER size{};
    if (!file_ || !::GetFileSizeEx(file_.Get(), &size)) {
        Close();
        return false;
    }
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

// The offset rides in the OVERLAPPED structure, which a handle opened for synchronous use reads
// from and waits for as an ordinary read.
bool PackageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    // No file reaches past the offsets that the system can name.
    constexpr auto kFileOffsets = static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
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

bool EntryFile::Create(const char* path) {
    file_ = CreateEntryFile(path);
    return file_.Valid();
}

bool EntryFile::Write(std::span<const std::uint8_t> bytes) {
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

common::ByteSource* Win32Platform::OpenForReading(const char* path) {
    return package_.Open(path) ? &package_ : nullptr;
}

void Win32Platform::ClosePackage() {
    package_.Close();
}

WritableFile* Win32Platform::CreateFile(const char* path) {
    return entry_.Create(path) ? &entry_ : nullptr;
}

void Win32Platform::CloseFile() {
    entry_.Close();
}

}  // namespace packager::win32
