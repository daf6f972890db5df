#include "importer/itunes/library/tag_journal.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/byte_order.h"
#include "common/byte_source.h"

namespace itunes::library {
namespace {

constexpr std::string_view kMagic = "VXTAGJNL";
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kCheckBytes = 4;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) != 0 ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    static constexpr std::array<std::uint32_t, 256> kTable = MakeCrcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

class Writer {
  public:
    void Append(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    void Append(std::string_view text) {
        Append({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    void Append32(std::uint32_t value) { Append(common::Le32Bytes(value)); }
    void Append64(std::uint64_t value) {
        std::array<std::uint8_t, 8> bytes{};
        common::PutLe64(bytes.data(), value);
        Append(bytes);
    }
    void AppendTime(const struct timespec& time) {
        Append64(static_cast<std::uint64_t>(time.tv_sec));
        Append64(static_cast<std::uint64_t>(time.tv_nsec));
    }
    void AppendText(std::string_view text) {
        Append32(static_cast<std::uint32_t>(text.size()));
        Append(text);
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : source_(bytes), reader_(source_) {}

    bool Read(std::span<std::uint8_t> out) { return ok_ = ok_ && reader_.Read(out); }
    std::uint32_t Read32() {
        std::array<std::uint8_t, 4> bytes{};
        return Read(bytes) ? common::LoadLe32(bytes.data()) : 0;
    }
    std::uint64_t Read64() {
        std::array<std::uint8_t, 8> bytes{};
        return Read(bytes) ? common::LoadLe64(bytes.data()) : 0;
    }
    struct timespec ReadTime() {
        struct timespec time {};
        time.tv_sec = static_cast<time_t>(Read64());
        time.tv_nsec = static_cast<long>(Read64());
        return time;
    }
    // length bytes from here on, checked against what is left before they are allocated.
    std::vector<std::uint8_t> ReadBytes(std::uint64_t length) {
        if (!common::FitsWithin(reader_.Position(), length, source_.Size())) {
            ok_ = false;
            return {};
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        Read(bytes);
        return bytes;
    }
    std::string ReadText() {
        const std::vector<std::uint8_t> bytes = ReadBytes(Read32());
        return {bytes.begin(), bytes.end()};
    }
    bool Ok() const { return ok_; }
    bool AtEnd() const { return reader_.Position() == source_.Size(); }

  private:
    common::MemoryByteSource source_;
    common::ByteReader reader_;
    bool ok_ = true;
};

// A name within the file's own folder, never a way out of it.
bool IsPlainName(const std::string& name) {
    return name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

std::vector<std::uint8_t> EncodeTagJournal(const TagJournal& journal) {
    Writer out;
    out.Append(kMagic);
    out.Append32(kVersion);
    out.AppendText(journal.path);
    out.Append64(journal.device);
    out.Append64(journal.inode);
    out.Append64(journal.oldSize);
    out.AppendTime(journal.oldAccessTime);
    out.AppendTime(journal.oldModificationTime);
    out.AppendText(journal.newFileName);
    out.Append64(journal.oldBytesOffset);
    out.Append64(journal.oldBytes.size());
    out.Append(journal.oldBytes);
    out.Append32(Crc32(out.Bytes()));
    return out.Take();
}

TagJournalRead DecodeTagJournal(std::span<const std::uint8_t> bytes) {
    TagJournalRead read;
    if (bytes.size() < kMagic.size() + 4 + kCheckBytes ||
        !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) {
        return read;
    }
    const std::span<const std::uint8_t> body = bytes.first(bytes.size() - kCheckBytes);
    if (Crc32(body) != common::LoadLe32(bytes.data() + body.size())) {
        return read;
    }
    Reader in(body.subspan(kMagic.size()));
    if (in.Read32() != kVersion) {
        read.state = TagJournalRead::State::kNewer;
        return read;
    }
    TagJournal& journal = read.journal;
    journal.path = in.ReadText();
    journal.device = in.Read64();
    journal.inode = in.Read64();
    journal.oldSize = in.Read64();
    journal.oldAccessTime = in.ReadTime();
    journal.oldModificationTime = in.ReadTime();
    journal.newFileName = in.ReadText();
    journal.oldBytesOffset = in.Read64();
    journal.oldBytes = in.ReadBytes(in.Read64());
    const bool plain = journal.newFileName.empty() || IsPlainName(journal.newFileName);
    if (in.Ok() && in.AtEnd() && plain && !journal.path.empty()) {
        read.state = TagJournalRead::State::kValid;
    }
    return read;
}

}  // namespace itunes::library
