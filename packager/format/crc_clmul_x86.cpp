// Carry-less-multiply folding of the check value (see crc_fold_constants.h for the algebra).
//
// The running register is XORed into the first four data bytes; from there on the data is
// reduced modulo P in 128-bit lanes. Eight registers of one, two or four lanes move along the
// data side by side, so that the loop waits on the multiplier's throughput rather than on the
// latency of each fold. The eight are then folded into one register, its lanes into one lane,
// and that lane reduced to 32 bits, which is the register after those bytes. Each function is
// compiled for its instruction set alone, so the rest of the program runs on any x86 processor.
#include "packager/format/crc_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstdint>

#include "packager/format/crc_fold_constants.h"

#define VEXO_TARGET_CLMUL __attribute__((target("pclmul,ssse3,sse4.1")))
#define VEXO_TARGET_CLMUL256 __attribute__((target("pclmul,ssse3,sse4.1,avx,avx2,vpclmulqdq")))
#define VEXO_TARGET_CLMUL512 \
    __attribute__((target("pclmul,ssse3,sse4.1,avx,avx2,avx512f,avx512bw,avx512vl,vpclmulqdq")))

// The loops over the eight registers are written once and unrolled, so that the registers stay
// in registers; a build for size keeps them as loops.
#if defined(__OPTIMIZE_SIZE__)
#define VEXO_UNROLL
#else
#define VEXO_UNROLL _Pragma("GCC unroll 8")
#endif

namespace packager::format::crc {

namespace {

// Each method starts with its eight registers full (the 128-bit one with a single lane below
// 128 bytes); shorter data goes to the next method down.
constexpr std::size_t kClmulMinimum = 64;
constexpr std::size_t kClmul256Minimum = 8 * 32;
constexpr std::size_t kClmul512Minimum = 8 * 64;

VEXO_TARGET_CLMUL inline __m128i Constants(FoldPair pair) {
    return _mm_set_epi64x(static_cast<long long>(pair.high), static_cast<long long>(pair.low));
}

// Sixteen data bytes as a polynomial: the first byte becomes the top.
VEXO_TARGET_CLMUL inline __m128i Load(const std::uint8_t* data) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), reverse);
}

// The lane moved along the data by the distance its constants stand for, plus the lane found
// there.
VEXO_TARGET_CLMUL inline __m128i Fold(__m128i lane, __m128i constants, __m128i add) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00), add),
                         _mm_clmulepi64_si128(lane, constants, 0x11));
}

// The register after the data a lane stands for: lane * x^32 mod P.
VEXO_TARGET_CLMUL inline std::uint32_t Reduce(__m128i lane) {
    const __m128i powers =
        _mm_set_epi64x(static_cast<long long>(kXPower64), static_cast<long long>(kXPower96));
    // lane * x^32 = H * x^96 + L * x^32, congruent to a value below x^96.
    const __m128i below96 = _mm_xor_si128(_mm_clmulepi64_si128(lane, powers, 0x01),
                                          _mm_slli_si128(_mm_move_epi64(lane), 4));
    // Its bits 64 to 95 times x^64 mod P, plus its low 64 bits: below x^64.
    const __m128i below64 =
        _mm_xor_si128(_mm_clmulepi64_si128(below96, powers, 0x11), _mm_move_epi64(below96));
    // Barrett: with below64 = A * x^32 + B, q = (A * floor(x^64 / P)) / x^32 and
    // A * x^32 mod P = (q * P) mod x^32.
    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(kFullPolynomial),
                                           static_cast<long long>(kBarrettQuotient));
    const __m128i high = _mm_srli_epi64(below64, 32);
    const __m128i quotient = _mm_srli_epi64(_mm_clmulepi64_si128(high, barrett, 0x00), 32);
    const __m128i remainder = _mm_xor_si128(_mm_clmulepi64_si128(quotient, barrett, 0x10), below64);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(remainder));
}

// The lane that holds what is left, moved along the rest of the data 16 bytes at a time, and
// reduced. size: a multiple of 16.
VEXO_TARGET_CLMUL inline std::uint32_t FinishLanes(__m128i lane, const std::uint8_t* data,
                                                   std::size_t size) {
    const __m128i by16 = Constants(kFold16);
    for (; size >= 16; data += 16, size -= 16) {
        lane = Fold(lane, by16, Load(data));
    }
    return Reduce(lane);
}

// size: at least 64 and a multiple of 16.
VEXO_TARGET_CLMUL std::uint32_t FoldLanes(std::uint32_t checkRegister, const std::uint8_t* data,
                                          std::size_t size) {
    const __m128i startRegister = _mm_set_epi32(static_cast<int>(checkRegister), 0, 0, 0);
    if (size < 8 * 16) {
        return FinishLanes(_mm_xor_si128(Load(data), startRegister), data + 16, size - 16);
    }
    __m128i x[8];
    VEXO_UNROLL
    for (std::size_t i = 0; i < 8; ++i) {
        x[i] = Load(data + 16 * i);
    }
    x[0] = _mm_xor_si128(x[0], startRegister);
    data += 8 * 16;
    size -= 8 * 16;

    const __m128i by128 = Constants(kFold128);
    for (; size >= 8 * 16; data += 8 * 16, size -= 8 * 16) {
        // Loaded first, the lanes leave the compiler fewer register copies to make with the
        // two-operand instructions, which cost about 3% here.
        __m128i next[8];
        VEXO_UNROLL
        for (std::size_t i = 0; i < 8; ++i) {
            next[i] = Load(data + 16 * i);
        }
        VEXO_UNROLL
        for (std::size_t i = 0; i < 8; ++i) {
            x[i] = Fold(x[i], by128, next[i]);
        }
    }

    // Into one register: the last four take in the first four, moved four registers along, then
    // the last two the two before them, and the last one the one before it, so that the folds of
    // each step do not wait on each other. (Static: where the loop stays a loop, it reads the
    // pairs where they are rather than from a copy made on the stack.)
    static constexpr FoldPair kHalvings[] = {kFold64, kFold32, kFold16};
    VEXO_UNROLL
    for (std::size_t step = 0, half = 4; half > 0; ++step, half /= 2) {
        const __m128i by = Constants(kHalvings[step]);
        VEXO_UNROLL
        for (std::size_t i = 8 - half; i < 8; ++i) {
            x[i] = Fold(x[i - half], by, x[i]);
        }
    }
    return FinishLanes(x[7], data, size);
}

// The byte order within each 128-bit lane reversed.
alignas(64) constexpr std::uint8_t kReverseLanes[64] = {
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};

VEXO_TARGET_CLMUL256 inline __m256i Constants256(FoldPair pair) {
    const auto low = static_cast<long long>(pair.low);
    const auto high = static_cast<long long>(pair.high);
    return _mm256_set_epi64x(high, low, high, low);
}

// Thirty-two data bytes as two lanes, each byte-swapped; lane 0 holds the first sixteen.
VEXO_TARGET_CLMUL256 inline __m256i Load256(const std::uint8_t* data) {
    return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data)),
                               _mm256_load_si256(reinterpret_cast<const __m256i*>(kReverseLanes)));
}

// Both lanes moved along the data, plus the lanes found there.
VEXO_TARGET_CLMUL256 inline __m256i Fold256(__m256i lanes, __m256i constants, __m256i add) {
    return _mm256_xor_si256(_mm256_xor_si256(_mm256_clmulepi64_epi128(lanes, constants, 0x00), add),
                            _mm256_clmulepi64_epi128(lanes, constants, 0x11));
}

// size: at least 256 and a multiple of 16.
VEXO_TARGET_CLMUL256 std::uint32_t FoldYmm(std::uint32_t checkRegister, const std::uint8_t* data,
                                           std::size_t size) {
    __m256i y[8];
    VEXO_UNROLL
    for (std::size_t i = 0; i < 8; ++i) {
        y[i] = Load256(data + 32 * i);
    }
    // The register goes into element 3 of lane 0: the top of the first sixteen bytes.
    y[0] = _mm256_xor_si256(y[0],
                            _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(checkRegister), 0, 0, 0));
    data += 8 * 32;
    size -= 8 * 32;

    const __m256i by256 = Constants256(kFold256);
    for (; size >= 8 * 32; data += 8 * 32, size -= 8 * 32) {
        VEXO_UNROLL
        for (std::size_t i = 0; i < 8; ++i) {
            y[i] = Fold256(y[i], by256, Load256(data + 32 * i));
        }
    }

    static constexpr FoldPair kHalvings[] = {kFold128, kFold64, kFold32};
    VEXO_UNROLL
    for (std::size_t step = 0, half = 4; half > 0; ++step, half /= 2) {
        const __m256i by = Constants256(kHalvings[step]);
        VEXO_UNROLL
        for (std::size_t i = 8 - half; i < 8; ++i) {
            y[i] = Fold256(y[i - half], by, y[i]);
        }
    }
    const __m256i by32 = Constants256(kFold32);
    for (; size >= 32; data += 32, size -= 32) {
        y[7] = Fold256(y[7], by32, Load256(data));
    }

    const __m128i x =
        Fold(_mm256_castsi256_si128(y[7]), Constants(kFold16), _mm256_extracti128_si256(y[7], 1));
    return FinishLanes(x, data, size);
}

VEXO_TARGET_CLMUL512 inline __m512i Constants512(FoldPair pair) {
    const auto low = static_cast<long long>(pair.low);
    const auto high = static_cast<long long>(pair.high);
    return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

// Sixty-four data bytes as four lanes, each byte-swapped; lane 0 holds the first sixteen.
VEXO_TARGET_CLMUL512 inline __m512i Load512(const std::uint8_t* data) {
    return _mm512_shuffle_epi8(_mm512_loadu_si512(data), _mm512_load_si512(kReverseLanes));
}

// Every lane moved along the data, plus the lanes found there.
VEXO_TARGET_CLMUL512 inline __m512i Fold512(__m512i lanes, __m512i constants, __m512i add) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(lanes, constants, 0x00),
                                     _mm512_clmulepi64_epi128(lanes, constants, 0x11), add,
                                     0x96);  // a ^ b ^ c
}

// size: at least 512 and a multiple of 16.
VEXO_TARGET_CLMUL512 std::uint32_t FoldZmm(std::uint32_t checkRegister, const std::uint8_t* data,
                                           std::size_t size) {
    __m512i z[8];
    VEXO_UNROLL
    for (std::size_t i = 0; i < 8; ++i) {
        z[i] = Load512(data + 64 * i);
    }
    z[0] = _mm512_xor_si512(z[0], _mm512_maskz_set1_epi32(0x0008, static_cast<int>(checkRegister)));
    data += 8 * 64;
    size -= 8 * 64;

    const __m512i by512 = Constants512(kFold512);
    for (; size >= 8 * 64; data += 8 * 64, size -= 8 * 64) {
        VEXO_UNROLL
        for (std::size_t i = 0; i < 8; ++i) {
            z[i] = Fold512(z[i], by512, Load512(data + 64 * i));
        }
    }

    static constexpr FoldPair kHalvings[] = {kFold256, kFold128, kFold64};
    VEXO_UNROLL
    for (std::size_t step = 0, half = 4; half > 0; ++step, half /= 2) {
        const __m512i by = Constants512(kHalvings[step]);
        VEXO_UNROLL
        for (std::size_t i = 8 - half; i < 8; ++i) {
            z[i] = Fold512(z[i - half], by, z[i]);
        }
    }
    const __m512i by64 = Constants512(kFold64);
    for (; size >= 64; data += 64, size -= 64) {
        z[7] = Fold512(z[7], by64, Load512(data));
    }

    // Lanes 0, 1 and 2 move 48, 32 and 16 bytes along onto lane 3.
    const __m512i toLastLane = _mm512_set_epi64(
        0, 0, static_cast<long long>(kFold16.high), static_cast<long long>(kFold16.low),
        static_cast<long long>(kFold32.high), static_cast<long long>(kFold32.low),
        static_cast<long long>(kFold48.high), static_cast<long long>(kFold48.low));
    const __m512i moved = _mm512_xor_si512(_mm512_clmulepi64_epi128(z[7], toLastLane, 0x00),
                                           _mm512_clmulepi64_epi128(z[7], toLastLane, 0x11));
    // (The zero-masking extracts leave no lane undefined for the compiler to warn about.)
    const __m128i x = _mm_xor_si128(_mm_xor_si128(_mm512_maskz_extracti32x4_epi32(0xF, moved, 0),
                                                  _mm512_maskz_extracti32x4_epi32(0xF, moved, 1)),
                                    _mm_xor_si128(_mm512_maskz_extracti32x4_epi32(0xF, moved, 2),
                                                  _mm512_maskz_extracti32x4_epi32(0xF, z[7], 3)));
    return FinishLanes(x, data, size);
}

}  // namespace

// Loads need no alignment: each method ran as fast from every start within a 64-byte line
// (bench/crc_bench), so a first pass to align the start would only add work.
std::uint32_t UpdateClmul(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    if (size < kClmulMinimum) {
        return UpdateSlicingBy8(checkRegister, data, size);
    }
    const std::size_t lanes = size & ~std::size_t{15};
    checkRegister = FoldLanes(checkRegister, data, lanes);
    return UpdateSlicingBy8(checkRegister, data + lanes, size - lanes);
}

std::uint32_t UpdateClmul256(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size) {
    if (size < kClmul256Minimum) {
        return UpdateClmul(checkRegister, data, size);
    }
    const std::size_t lanes = size & ~std::size_t{15};
    checkRegister = FoldYmm(checkRegister, data, lanes);
    return UpdateSlicingBy8(checkRegister, data + lanes, size - lanes);
}

std::uint32_t UpdateClmul512(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size) {
    if (size < kClmul512Minimum) {
        return UpdateClmul256(checkRegister, data, size);
    }
    const std::size_t lanes = size & ~std::size_t{15};
    checkRegister = FoldZmm(checkRegister, data, lanes);
    return UpdateSlicingBy8(checkRegister, data + lanes, size - lanes);
}

}  // namespace packager::format::crc

#else

namespace packager::format::crc {

// Never called: the processor check reports the instructions missing on other architectures.
std::uint32_t UpdateClmul(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    return UpdateSlicingBy8(checkRegister, data, size);
}

std::uint32_t UpdateClmul256(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size) {
    return UpdateSlicingBy8(checkRegister, data, size);
}

std::uint32_t UpdateClmul512(std::uint32_t checkRegister, const std::uint8_t* data,
                             std::size_t size) {
    return UpdateSlicingBy8(checkRegister, data, size);
}

}  // namespace packager::format::crc

#endif
