// What the processor offers for the folding methods of the check value, asked once.
#pragma once

namespace packager::format::crc {

struct CpuFeatures {
    bool clmul = false;     // PCLMULQDQ with SSSE3 and SSE4.1
    bool clmul256 = false;  // VPCLMULQDQ with AVX2, and the OS saves the YMM registers
    bool clmul512 = false;  // VPCLMULQDQ with AVX-512 F, BW and VL, and the OS saves the ZMM ones
};

const CpuFeatures& DetectedCpuFeatures();

}  // namespace packager::format::crc
