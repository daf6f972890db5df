// How the worker's files are opened and used on Windows: the package read by offset, and an
// entry's file written block by block. Each is one object that the platform keeps and opens
// again for the next file, so that opening a file asks for no memory.
#pragma once

#include <cstdint>
#include <span>

#include "common/byte_source.h"
#include "common/win32/scoped_win.h"
#include "packager/worker_platform.h"

namespace packager::win32 {

// The package: read access only, no sharing, existing files only, sequential-scan hint.
common::win32::UniqueHandle OpenPackageFile(const char* path);

// An entry's file: read and write access, no sharing, always created (an old file of the name
// is replaced), normal attributes, write-through.
common::win32::UniqueHandle CreateEntryFile(const char* path);

class PackageFile final : public common::ByteSource {
  public:
    // Closes what was open; false when the file cannot be opened or its size read.
    bool Open(const char* path);
    void Close() { file_.Reset(); }

    std::uint64_t Size() const override { return size_; }
    // A read that ends early (the end of the file) is a failure, as the source promises.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    common::win32::UniqueHandle file_;
    std::uint64_t size_ = 0;
};

class EntryFile final : public WritableFile {
  public:
    // Closes what was open; false when the file cannot be created.
    bool Create(const char* path);
    void Close() { file_.Reset(); }

    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Flush() override { return ::FlushFileBuffers(file_.Get()) != FALSE; }

  private:
    common::win32::UniqueHandle file_;
};

}  // namespace packager::win32
