#include "importer/itunes/library/mp4/metadata_list.h"

#include <algorithm>
#include <string_view>

#include "common/byte_order.h"

namespace itunes::library::mp4 {
namespace {

constexpr std::uint32_t kUdta = FourCc("udta");
constexpr std::uint32_t kMeta = FourCc("meta");
constexpr std::uint32_t kIlst = FourCc("ilst");
constexpr std::uint32_t kHdlr = FourCc("hdlr");
constexpr std::uint32_t kMdir = FourCc("mdir");

// The handler box: version and flags, pre_defined, then the handler type.
constexpr std::uint64_t kHandlerTypeAt = 8;
// A meta box in MPEG-4 files is a full box (version and flags first); QuickTime writes it
// without them.
constexpr std::uint64_t kFullBoxFields = 4;

// The children of a meta box whose first child is an "mdir" handler, from wherever the file puts
// them; nothing for any other meta box, which is left as it is however it is made.
std::optional<Children> MdirChildren(std::span<const std::uint8_t> bytes, const Box& meta) {
    const std::uint64_t payload = meta.PayloadOffset();
    const auto handlerAt = [&](std::uint64_t skip) {
        return meta.End() - payload >= skip + 8 &&
               common::LoadBe32(bytes.data() + payload + skip + 4) == kHdlr;
    };
    const std::uint64_t skip = handlerAt(0) ? 0 : kFullBoxFields;
    if (!handlerAt(skip)) {
        return std::nullopt;
    }
    Children children = ReadChildren(bytes, payload + skip, meta.End());
    if (children.boxes.empty()) {
        return std::nullopt;
    }
    const Box& handler = children.boxes.front();
    if (handler.size - handler.headerSize < kHandlerTypeAt + 4 ||
        common::LoadBe32(bytes.data() + handler.PayloadOffset() + kHandlerTypeAt) != kMdir) {
        return std::nullopt;
    }
    return children;
}

// A new meta box, in the MPEG-4 form, with an "mdir" handler as iTunes writes it and the list.
Bytes NewMeta(std::span<const std::uint8_t> list) {
    // Version, flags and pre_defined (all 0), the handler type, the reserved words (the first
    // "appl"), an empty name.
    constexpr std::string_view kTypeAndMaker = "mdirappl";
    constexpr auto kTypeAt = static_cast<std::size_t>(kHandlerTypeAt);
    constexpr auto kFields = static_cast<std::size_t>(kFullBoxFields);
    Bytes handler(kTypeAt + kTypeAndMaker.size() + 8 + 1);
    std::copy(kTypeAndMaker.begin(), kTypeAndMaker.end(), handler.begin() + kTypeAt);
    const Bytes hdlr = MakeBox(kHdlr, handler);
    Bytes payload(kFields + hdlr.size() + list.size());  // version and flags: 0
    const auto listAt = std::copy(hdlr.begin(), hdlr.end(), payload.begin() + kFields);
    std::copy(list.begin(), list.end(), listAt);
    return MakeBox(kMeta, payload);
}

}  // namespace

ListPlace FindList(std::span<const std::uint8_t> moov, const Box& header) {
    ListPlace place;
    place.moov = header;
    place.deepest = ReadChildren(moov, header.PayloadOffset(), header.End());
    if (!place.deepest.error.empty()) {
        place.error = place.deepest.error;
        return place;
    }
    const std::vector<Box> moovChildren = place.deepest.boxes;
    for (const Box& udta : moovChildren) {
        if (udta.type != kUdta) {
            continue;
        }
        Children udtaChildren = ReadChildren(moov, udta.PayloadOffset(), udta.End());
        if (!udtaChildren.error.empty()) {
            place.error = udtaChildren.error;
            return place;
        }
        if (!place.udta) {
            place.udta = udta;
            place.deepest = udtaChildren;
        }
        for (const Box& meta : udtaChildren.boxes) {
            std::optional<Children> metaChildren =
                meta.type == kMeta ? MdirChildren(moov, meta) : std::nullopt;
            if (!metaChildren) {
                continue;
            }
            place.udta = udta;
            place.meta = meta;
            place.deepest = std::move(*metaChildren);
            const Box* ilst = place.deepest.Find(kIlst);
            if (place.deepest.error.empty() && ilst != nullptr) {
                place.ilst = *ilst;
                place.deepest = ReadChildren(moov, place.ilst->PayloadOffset(), place.ilst->End());
            }
            place.error = place.deepest.error;
            return place;
        }
    }
    return place;
}

Bytes EditedMovie(std::span<const std::uint8_t> moov, const ListPlace& place,
                  const std::vector<ItemEdit>& edits) {
    if (place.ilst) {
        const Box containers[] = {place.moov, *place.udta, *place.meta, *place.ilst};
        return Splice(moov, place.ilst->PayloadOffset(), place.ilst->End(),
                      EditedItems(moov, *place.ilst, place.deepest, edits), containers);
    }
    Bytes items;
    for (const ItemEdit& edit : edits) {
        if (edit.item) {
            items.insert(items.end(), edit.item->begin(), edit.item->end());
        }
    }
    if (items.empty()) {
        return Bytes(moov.begin(), moov.end());
    }
    // The missing boxes go after the children there are, so that whatever else the file keeps
    // there (such as QuickTime's own text items in udta) comes first and the list is read last.
    Bytes added = MakeBox(kIlst, items);
    std::vector<Box> containers = {place.moov};
    if (place.udta) {
        containers.push_back(*place.udta);
    }
    if (place.meta) {
        containers.push_back(*place.meta);
    } else {
        added = NewMeta(added);
        if (!place.udta) {
            added = MakeBox(kUdta, added);
        }
    }
    return Splice(moov, place.deepest.end, place.deepest.end, added, containers);
}

}  // namespace itunes::library::mp4
