// The items of an iTunes-style metadata list ("ilst"): each a box named by its key around one
// "data" box, [size][key][ [size]["data"][version 0, 3-byte type][locale 0][value] ]. Only the
// episode items are read or made here; every other item passes through as the file has it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "importer/itunes/library/mp4/box.h"
#include "importer/itunes/library/mp4/tag_plan.h"

namespace itunes::library::mp4 {

// What one labelling does to the items of one key: the key's first item becomes item (in its
// place, or at the end of the list when there was none) and any later ones go; without item,
// every item of the key goes.
struct ItemEdit {
    std::uint32_t key = 0;
    std::optional<Bytes> item;
};

// The edits the tags ask for, in the order new items are added.
std::vector<ItemEdit> EditsFor(const EpisodeTags& tags);

// The new payload of the list box list (its children items, within bytes) with the edits made:
// items of other keys and the bytes after the last item stay as they are and where they are.
Bytes EditedItems(std::span<const std::uint8_t> bytes, const Box& list, const Children& items,
                  const std::vector<ItemEdit>& edits);

// The episode items among items, the first of each key; values of another type are left out.
EpisodeTags ReadItems(std::span<const std::uint8_t> bytes, const Children& items);

}  // namespace itunes::library::mp4
