#include "packager/format/locate_payload.h"

#include <array>

#include "packager/format/stub_rules.h"

namespace packager::format {

PayloadLocation LocatePayload(common::ByteSource& source, const CancelQuery& isCancelled) {
    PayloadLocation location;
    if (stub::Cancelled(isCancelled)) {
        location.result = LocateResult::Cancelled;
        return location;
    }
    common::ByteReader reader(source);
    std::array<std::uint8_t, 2> magic{};
    if (!reader.Read(magic)) {
        return location;
    }

    stub::ImageEnd end;
    if (magic[0] == 'M' && magic[1] == 'Z') {
        location.format = StubFormat::Pe;
        end = stub::PeImageEnd(reader, isCancelled);
    } else if (magic[0] == 0x7F && magic[1] == 'E') {
        location.format = StubFormat::Elf;
        end = stub::ElfImageEnd(reader, isCancelled);
    } else {
        return location;
    }
    if (end.result != LocateResult::Located) {
        location.result = end.result;
        return location;
    }

    if (stub::Cancelled(isCancelled)) {
        location.result = LocateResult::Cancelled;
        return location;
    }
    location.result = LocateResult::Located;
    location.offset = end.offset;
    return location;
}

}  // namespace packager::format
