// MPEG-4 boxes made by hand, written out from the format's layout rather than with the code
// under test, so that the tests compare against bytes of their own.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace itunes::library::mp4::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

inline Bytes Be(std::uint64_t value, int width) {
    Bytes out;
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    return out;
}

inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Box(std::string_view type, const Bytes& payload) {
    return Join({Be(8 + payload.size(), 4), Text(type), payload});
}

// A box with the 64-bit size field.
inline Bytes LargeBox(std::string_view type, const Bytes& payload) {
    return Join({Be(1, 4), Text(type), Be(16 + payload.size(), 8), payload});
}

inline Bytes Container(std::string_view type, std::initializer_list<Bytes> children) {
    return Box(type, Join(children));
}

// An item of the metadata list: one data box of the type around the value.
inline Bytes Item(std::string_view key, std::uint32_t type, const Bytes& value) {
    return Box(key, Box("data", Join({Be(type, 4), Be(0, 4), value})));
}

inline Bytes TextItem(std::string_view key, std::string_view text) {
    return Item(key, 1, Text(text));
}

inline Bytes NumberItem(std::string_view key, std::int32_t number, int width = 4) {
    return Item(key, 21, Be(static_cast<std::uint32_t>(number), width));
}

// A handler box as a metadata box holds it: version and flags, pre_defined, the handler type,
// "appl" and 8 zero bytes, an empty name.
inline Bytes Handler(std::string_view type) {
    return Box("hdlr", Join({Be(0, 8), Text(type), Text("appl"), Be(0, 8), Be(0, 1)}));
}

// A meta box with its version and flags (MPEG-4) or without them (as QuickTime writes it).
inline Bytes Meta(std::initializer_list<Bytes> children, bool fullBox = true) {
    return Box("meta", Join({fullBox ? Be(0, 4) : Bytes{}, Join(children)}));
}

inline Bytes ChunkOffsets(const std::vector<std::uint64_t>& offsets, bool wide = false) {
    Bytes payload = Join({Be(0, 4), Be(offsets.size(), 4)});
    for (std::uint64_t offset : offsets) {
        const Bytes entry = Be(offset, wide ? 8 : 4);
        payload.insert(payload.end(), entry.begin(), entry.end());
    }
    return Box(wide ? "co64" : "stco", payload);
}

// A track whose sample table holds the chunk offset table given.
inline Bytes TrackWith(const Bytes& table) {
    return Container("trak",
                     {Box("tkhd", Bytes(84)),
                      Container("mdia", {Container("minf", {Container("stbl", {table})})})});
}

// A track whose samples lie at the offsets.
inline Bytes Track(const std::vector<std::uint64_t>& offsets, bool wide = false) {
    return TrackWith(ChunkOffsets(offsets, wide));
}

}  // namespace itunes::library::mp4::test
