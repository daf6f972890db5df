// What the processor offers for the folding methods of the check value, asked once.
#pragma once

namespace packager::format::crc {

struct CpuFeatures {
    bool clmul = false;        // PCLMULQDQ with SSSE3 and SSE4.1
    bool vectorClmul = false;  // VPCLMULQDQ with AVX-512 F, BW and VL, enabled by the OS
};

const CpuFeatures& DetectedCpuFeatures();

}  // namespace packager::format::crc
