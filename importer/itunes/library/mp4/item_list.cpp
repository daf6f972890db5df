#include "importer/itunes/library/mp4/item_list.h"

#include <algorithm>
#include <string>

#include "common/byte_order.h"

namespace itunes::library::mp4 {
namespace {

constexpr std::uint32_t kShow = FourCc("tvsh");
constexpr std::uint32_t kSeason = FourCc("tvsn");
constexpr std::uint32_t kEpisodeId = FourCc("tven");
constexpr std::uint32_t kEpisodeNumber = FourCc("tves");
constexpr std::uint32_t kName = FourCc("\xA9nam");
constexpr std::uint32_t kSortName = FourCc("sonm");
constexpr std::uint32_t kVideoKind = FourCc("stik");

// The data box's well-known types; 0 ("implicit") is how older writers stored numbers.
constexpr std::uint32_t kUtf8 = 1;
constexpr std::uint32_t kSignedInteger = 21;
constexpr std::uint32_t kImplicit = 0;

// The type field and locale before a data box's value.
constexpr std::uint64_t kDataPreamble = 8;

Bytes Item(std::uint32_t key, std::uint32_t type, std::span<const std::uint8_t> value) {
    Bytes data(kDataPreamble);  // version 0, the type, then locale 0
    common::PutBe32(data.data(), type);
    data.insert(data.end(), value.begin(), value.end());
    return MakeBox(key, MakeBox(FourCc("data"), data));
}

Bytes TextItem(std::uint32_t key, const std::string& text) {
    return Item(key, kUtf8, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

Bytes IntegerItem(std::uint32_t key, std::int32_t number) {
    std::uint8_t value[4];
    common::PutBe32(value, static_cast<std::uint32_t>(number));
    return Item(key, kSignedInteger, value);
}

struct DataValue {
    std::uint32_t type = 0;
    std::span<const std::uint8_t> value;
};

// The value of the item's first data box; nothing when the item holds none that is whole.
std::optional<DataValue> ReadData(std::span<const std::uint8_t> bytes, const Box& item) {
    const Children children = ReadChildren(bytes, item.PayloadOffset(), item.End());
    const Box* data = children.Find(FourCc("data"));
    if (!children.error.empty() || data == nullptr ||
        data->size - data->headerSize < kDataPreamble) {
        return std::nullopt;
    }
    const std::uint32_t versionAndType = common::LoadBe32(bytes.data() + data->PayloadOffset());
    const std::uint64_t valueAt = data->PayloadOffset() + kDataPreamble;
    return DataValue{versionAndType,
                     bytes.subspan(static_cast<std::size_t>(valueAt),
                                   static_cast<std::size_t>(data->End() - valueAt))};
}

std::optional<std::string> ReadText(const DataValue& data) {
    if (data.type != kUtf8) {
        return std::nullopt;
    }
    return std::string(data.value.begin(), data.value.end());
}

// A big-endian signed number of 1, 2 or 4 bytes, as writers size them to the value.
std::optional<std::int32_t> ReadInteger(const DataValue& data) {
    if (data.type != kSignedInteger && data.type != kImplicit) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> value = data.value;
    switch (value.size()) {
        case 1:
            return static_cast<std::int8_t>(value[0]);
        case 2:
            return static_cast<std::int16_t>(value[0] << 8 | value[1]);
        case 4:
            return static_cast<std::int32_t>(common::LoadBe32(value.data()));
        default:
            return std::nullopt;
    }
}

std::optional<std::int16_t> VideoKindForStik(std::int32_t stik) {
    for (std::int16_t kind = 1; kind <= 3; ++kind) {
        if (StikForVideoKind(kind) == stik) {
            return kind;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<ItemEdit> EditsFor(const EpisodeTags& tags) {
    std::vector<ItemEdit> edits;
    const auto text = [&edits](std::uint32_t key, const std::optional<std::string>& value) {
        if (value) {
            edits.push_back({key, TextItem(key, *value)});
        }
    };
    const auto number = [&edits](std::uint32_t key, const std::optional<std::int32_t>& value) {
        if (value) {
            edits.push_back({key, IntegerItem(key, *value)});
        }
    };
    text(kShow, tags.show);
    number(kSeason, tags.seasonNumber);
    text(kEpisodeId, tags.episodeId);
    number(kEpisodeNumber, tags.episodeNumber);
    text(kName, tags.name);
    text(kSortName, tags.sortName);
    if (tags.videoKind == 0) {
        edits.push_back({kVideoKind, std::nullopt});
    } else if (const auto stik =
                   tags.videoKind ? StikForVideoKind(*tags.videoKind) : std::nullopt) {
        // One byte: readers that take the kind as a single byte find it there.
        edits.push_back({kVideoKind, Item(kVideoKind, kSignedInteger, std::span(&*stik, 1))});
    }
    return edits;
}

Bytes EditedItems(std::span<const std::uint8_t> bytes, const Box& list, const Children& items,
                  const std::vector<ItemEdit>& edits) {
    Bytes out;
    const auto copy = [&out, bytes](std::uint64_t from, std::uint64_t to) {
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
                   bytes.begin() + static_cast<std::ptrdiff_t>(to));
    };
    std::vector<bool> placed(edits.size());
    for (const Box& item : items.boxes) {
        const auto edit = std::find_if(edits.begin(), edits.end(),
                                       [&item](const ItemEdit& e) { return e.key == item.type; });
        if (edit == edits.end()) {
            copy(item.offset, item.End());
            continue;
        }
        const auto index = static_cast<std::size_t>(edit - edits.begin());
        if (edit->item && !placed[index]) {
            out.insert(out.end(), edit->item->begin(), edit->item->end());
            placed[index] = true;
        }
    }
    for (std::size_t index = 0; index < edits.size(); ++index) {
        if (edits[index].item && !placed[index]) {
            out.insert(out.end(), edits[index].item->begin(), edits[index].item->end());
        }
    }
    copy(items.end, list.End());
    return out;
}

EpisodeTags ReadItems(std::span<const std::uint8_t> bytes, const Children& items) {
    EpisodeTags tags;
    std::vector<std::uint32_t> seen;
    for (const Box& item : items.boxes) {
        if (std::find(seen.begin(), seen.end(), item.type) != seen.end()) {
            continue;
        }
        seen.push_back(item.type);
        const auto data = ReadData(bytes, item);
        if (!data) {
            continue;
        }
        switch (item.type) {
            case kShow:
                tags.show = ReadText(*data);
                break;
            case kSeason:
                tags.seasonNumber = ReadInteger(*data);
                break;
            case kEpisodeId:
                tags.episodeId = ReadText(*data);
                break;
            case kEpisodeNumber:
                tags.episodeNumber = ReadInteger(*data);
                break;
            case kName:
                tags.name = ReadText(*data);
                break;
            case kSortName:
                tags.sortName = ReadText(*data);
                break;
            case kVideoKind:
                if (const auto stik = ReadInteger(*data)) {
                    tags.videoKind = VideoKindForStik(*stik);
                }
                break;
            default:
                break;
        }
    }
    return tags;
}

}  // namespace itunes::library::mp4
