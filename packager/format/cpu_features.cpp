#include "packager/format/cpu_features.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace packager::format::crc {

namespace {

#if defined(__x86_64__) || defined(__i386__)

bool Bit(std::uint32_t value, int bit) {
    return ((value >> bit) & 1u) != 0;
}

// The register state the OS saves on a task switch: YMM registers are usable only when it
// saves the SSE and AVX state, ZMM registers only when it also saves the opmask and both parts
// of the upper ZMM state.
std::uint64_t EnabledStateComponents() {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

CpuFeatures Detect() {
    CpuFeatures features;
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return features;
    }
    features.clmul = Bit(ecx, 1) && Bit(ecx, 9) && Bit(ecx, 19);  // PCLMULQDQ, SSSE3, SSE4.1
    const bool avx = Bit(ecx, 28);
    const bool osSavesState = Bit(ecx, 27);  // OSXSAVE
    if (!features.clmul || !avx || !osSavesState) {
        return features;
    }
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return features;
    }
    const bool vpclmulqdq = Bit(ecx, 10);
    const bool avx2 = Bit(ebx, 5);
    const bool avx512 = Bit(ebx, 16) && Bit(ebx, 30) && Bit(ebx, 31);  // F, BW, VL
    const std::uint64_t state = EnabledStateComponents();
    constexpr std::uint64_t kYmmState = 0x06;  // SSE, AVX
    constexpr std::uint64_t kZmmState = 0xE6;  // and opmask, ZMM_Hi256, Hi16_ZMM
    features.clmul256 = vpclmulqdq && avx2 && (state & kYmmState) == kYmmState;
    // The 512-bit method hands data too short for its registers to the 256-bit one.
    features.clmul512 = features.clmul256 && avx512 && (state & kZmmState) == kZmmState;
    return features;
}

#else

CpuFeatures Detect() {
    return {};
}

#endif

}  // namespace

const CpuFeatures& DetectedCpuFeatures() {
    static const CpuFeatures features = Detect();
    return features;
}

}  // namespace packager::format::crc
