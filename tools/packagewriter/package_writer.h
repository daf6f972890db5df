// Writing a package: the stub executable byte for byte, then entryCount and each entry's header
// and data. The stub and the entries are checked first, so that whatever is written can be
// located and read back:
//   PE stub: "MZ", a PE header below offset 65,536 with its signature, at least one section, a
//     224-byte optional header, and the last section's raw data ending the file;
//   ELF stub: little-endian, 32- or 64-bit, and nothing after the image;
//   entries: plain file names of at most 259 bytes (see entry_name.h), at most 4 GiB - 1 each,
//     and one named "setup.exe" unless the caller says otherwise.
// Refusals and failures come back as a message for the user, never as an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "packager/format/locate_payload.h"

namespace packagewriter {

using packager::format::StubFormat;

inline constexpr const char* kSetupEntryName = "setup.exe";

// Where the package's bytes go, in order.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // False when the bytes could not all be written.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

class VectorByteSink final : public ByteSink {
  public:
    bool Write(std::span<const std::uint8_t> bytes) override;
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

// One file of the payload. Its data is read from offset 0 of the source twice: once for the
// check value that precedes it, once to copy it; bytes that differ the second time refuse the
// package (the file changed while it was being packaged).
struct PackageEntry {
    std::string name;
    common::ByteSource* data = nullptr;
    std::uint64_t size = 0;
};

struct PackageOptions {
    bool requireSetupEntry = true;
    // The stub the entries go behind: an ELF stub extracts on Linux, whose file systems take
    // names of at most 255 bytes, so longer names (valid in the format) are refused for it.
    // WritePackage sets it from the stub it is given.
    StubFormat stubFormat = StubFormat::Unknown;
    // Asked before every block read, in both passes over an entry's data: true stops the write
    // there ("interrupted"), so that a large file does not hold a Ctrl+C up.
    std::function<bool()> stopRequested = {};
};

struct WriteOutcome {
    bool ok = false;
    std::string message;  // why it was refused or failed; empty when ok

    explicit operator bool() const { return ok; }
};

// The format the stub was recognised as, and whether it may start a package.
struct StubCheck {
    WriteOutcome outcome;
    StubFormat format = StubFormat::Unknown;
};

StubCheck CheckStub(std::span<const std::uint8_t> stub);
WriteOutcome CheckEntries(std::span<const PackageEntry> entries, const PackageOptions& options);

// entryCount, headers and data, after the entries were checked. On failure the sink holds a
// partial payload, which the caller discards.
WriteOutcome WritePayload(std::span<const PackageEntry> entries, ByteSink& sink,
                          const PackageOptions& options = {});

// The stub, unchanged, then the payload.
WriteOutcome WritePackage(std::span<const std::uint8_t> stub, std::span<const PackageEntry> entries,
                          ByteSink& sink, const PackageOptions& options = {});

}  // namespace packagewriter
