// Where a movie header keeps its metadata list: moov/udta/meta (handler "mdir")/ilst, and the
// movie header with that list edited. The list used is that of the first udta holding an "mdir"
// meta (else the first udta), of that udta's first "mdir" meta, and that meta's first ilst.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "importer/itunes/library/mp4/box.h"
#include "importer/itunes/library/mp4/item_list.h"

namespace itunes::library::mp4 {

// Each box of the way that is there, with the children of the deepest one (where a missing box
// is added); offsets are within the movie header's bytes.
struct ListPlace {
    Box moov;
    std::optional<Box> udta;
    std::optional<Box> meta;
    std::optional<Box> ilst;
    Children deepest;  // the children of ilst, meta, udta or moov: the deepest box there is
    std::string error;
};

// moov holds the whole movie header box; header is its header, at offset 0 of those bytes.
ListPlace FindList(std::span<const std::uint8_t> moov, const Box& header);

// The movie header with the edits made to its list (the boxes that are missing added, at the
// end of their parent's children, a new meta with the 4 bytes of version and flags); the same
// bytes when the edits change nothing.
Bytes EditedMovie(std::span<const std::uint8_t> moov, const ListPlace& place,
                  const std::vector<ItemEdit>& edits);

}  // namespace itunes::library::mp4
