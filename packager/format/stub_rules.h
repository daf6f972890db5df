// Where a stub image ends, by its format; each rule goes on from the two bytes that named it.
#pragma once

#include <cstdint>

#include "common/byte_source.h"
#include "packager/format/locate_payload.h"

namespace packager::format::stub {

struct ImageEnd {
    LocateResult result = LocateResult::Failed;
    std::uint64_t offset = 0;
};

inline constexpr ImageEnd kFailed{LocateResult::Failed, 0};
inline constexpr ImageEnd kCancelled{LocateResult::Cancelled, 0};

// True (the caller stops) when the query is set and answers yes.
inline bool Cancelled(const CancelQuery& isCancelled) {
    return isCancelled();
}

// The reader stands at offset 2, after "MZ".
ImageEnd PeImageEnd(common::ByteReader& reader, const CancelQuery& isCancelled);

// The reader stands at offset 2, after "\x7F" "E".
ImageEnd ElfImageEnd(common::ByteReader& reader, const CancelQuery& isCancelled);

}  // namespace packager::format::stub
