// The ELF rule of locating the payload, as the Win32 stub has it: it reads only its own image,
// which is a PE, so a file that starts as an ELF image is no package of its and is refused as a
// corrupt one. The real rule (format/elf_stub.cpp) would be 1.7 KiB of every package.
#include "packager/format/stub_rules.h"

namespace packager::format::stub {

ImageEnd ElfImageEnd(common::ByteReader&, const CancelQuery&) {
    return kFailed;
}

}  // namespace packager::format::stub
