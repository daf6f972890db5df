#include "importer/itunes/library/mp4/box.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/byte_order.h"

namespace itunes::library::mp4 {
namespace {

constexpr std::uint64_t kSmallHeader = 8;
constexpr std::uint64_t kLargeHeader = 16;
constexpr std::uint64_t kUuidBytes = 16;
// Enough for the longest header: a 64-bit size and a "uuid" type.
constexpr std::size_t kLongestHeader = kLargeHeader + kUuidBytes;

// The box whose header starts at offset, held within limit; header holds the bytes from offset
// on (up to kLongestHeader, fewer where the data ends). A size of 0 runs to limit where
// toEndAllowed, and is refused elsewhere.
std::optional<Box> DecodeHeader(std::span<const std::uint8_t> header, std::uint64_t offset,
                                std::uint64_t limit, bool toEndAllowed, std::string& error) {
    if (header.size() < kSmallHeader) {
        error = "a box header is cut off";
        return std::nullopt;
    }
    Box box;
    box.type = common::LoadBe32(header.data() + 4);
    const std::uint32_t size32 = common::LoadBe32(header.data());
    box.size = size32;
    if (size32 == 1) {
        if (header.size() < kLargeHeader) {
            error = "a box header is cut off";
            return std::nullopt;
        }
        box.size = common::LoadBe64(header.data() + 8);
        box.largeSize = true;
        box.headerSize = kLargeHeader;
    } else if (size32 == 0) {
        if (!toEndAllowed) {
            error = "a box inside another has the size 0";
            return std::nullopt;
        }
        box.size = limit - offset;
    }
    if (box.type == FourCc("uuid")) {
        box.headerSize += kUuidBytes;
        if (header.size() < box.headerSize) {
            error = "a box header is cut off";
            return std::nullopt;
        }
    }
    if (box.size < box.headerSize) {
        error = "a box is smaller than its header";
        return std::nullopt;
    }
    if (!common::FitsWithin(offset, box.size, limit)) {
        error = toEndAllowed ? "a box runs past the end of the file"
                             : "a box runs past the box that holds it";
        return std::nullopt;
    }
    box.offset = offset;
    return box;
}

bool StartsAnMpeg4File(std::uint32_t type) {
    static constexpr std::uint32_t kFirstBoxTypes[] = {
        FourCc("ftyp"), FourCc("moov"), FourCc("mdat"), FourCc("free"),
        FourCc("skip"), FourCc("wide"), FourCc("pnot"), FourCc("uuid")};
    return std::find(std::begin(kFirstBoxTypes), std::end(kFirstBoxTypes), type) !=
           std::end(kFirstBoxTypes);
}

void PutSize(std::uint8_t* header, bool largeSize, std::uint64_t size) {
    if (largeSize) {
        common::PutBe64(header + 8, size);
    } else {
        common::PutBe32(header, static_cast<std::uint32_t>(size));
    }
}

}  // namespace

const Box* Children::Find(std::uint32_t type) const {
    const auto found = std::find_if(boxes.begin(), boxes.end(),
                                    [type](const Box& box) { return box.type == type; });
    return found == boxes.end() ? nullptr : &*found;
}

Children ReadChildren(std::span<const std::uint8_t> bytes, std::uint64_t begin, std::uint64_t end) {
    Children children;
    std::uint64_t at = begin;
    while (end - at >= kSmallHeader) {
        const std::size_t available =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - at, kLongestHeader));
        const auto box = DecodeHeader(bytes.subspan(static_cast<std::size_t>(at), available), at,
                                      end, false, children.error);
        if (!box) {
            return children;
        }
        children.boxes.push_back(*box);
        at = box->End();
    }
    children.end = at;
    return children;
}

Children ReadTopLevel(common::ByteSource& file) {
    Children top;
    const std::uint64_t size = file.Size();
    std::array<std::uint8_t, kLongestHeader> header{};
    std::uint64_t at = 0;
    while (at < size) {
        const std::size_t available =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - at, header.size()));
        const std::span<std::uint8_t> read(header.data(), available);
        if (!file.ReadAt(at, read)) {
            top.error = "the file cannot be read";
            return top;
        }
        if (at == 0 &&
            (available < kSmallHeader || !StartsAnMpeg4File(common::LoadBe32(header.data() + 4)))) {
            top.error = "not an MPEG-4 or QuickTime file";
            return top;
        }
        const auto box = DecodeHeader(read, at, size, true, top.error);
        if (!box) {
            return top;
        }
        top.boxes.push_back(*box);
        at = box->End();
    }
    if (top.boxes.empty()) {
        top.error = "not an MPEG-4 or QuickTime file";
    }
    top.end = at;
    return top;
}

Bytes MakeBox(std::uint32_t type, std::span<const std::uint8_t> payload) {
    // Sized once and filled, rather than grown by an insert, which GCC 12 at -O3 wrongly
    // reports as writing out of bounds.
    Bytes box(static_cast<std::size_t>(kSmallHeader) + payload.size());
    common::PutBe32(box.data(), static_cast<std::uint32_t>(box.size()));
    common::PutBe32(box.data() + 4, type);
    std::copy(payload.begin(), payload.end(), box.begin() + kSmallHeader);
    return box;
}

Bytes FreeBoxHeader(std::uint64_t size) {
    const bool largeSize = size > UINT32_MAX;
    Bytes header(static_cast<std::size_t>(largeSize ? kLargeHeader : kSmallHeader));
    common::PutBe32(header.data(), largeSize ? 1 : 0);
    common::PutBe32(header.data() + 4, FourCc("free"));
    PutSize(header.data(), largeSize, size);
    return header;
}

Bytes Splice(std::span<const std::uint8_t> bytes, std::uint64_t from, std::uint64_t to,
             std::span<const std::uint8_t> insert, std::span<const Box> containers) {
    Bytes out;
    out.reserve(static_cast<std::size_t>(bytes.size() - (to - from) + insert.size()));
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(from));
    out.insert(out.end(), insert.begin(), insert.end());
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(to), bytes.end());
    // Each container's header lies before the range, so its place has not moved.
    for (const Box& box : containers) {
        PutSize(out.data() + box.offset, box.largeSize, box.size - (to - from) + insert.size());
    }
    return out;
}

}  // namespace itunes::library::mp4
