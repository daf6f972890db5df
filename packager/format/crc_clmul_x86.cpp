// Carry-less-multiply folding of the check value (see crc_fold_constants.h for the algebra).
//
// The running register is XORed into the first four data bytes; from there on the data is
// reduced modulo P in 128-bit lanes, four lanes (or four 512-bit registers of four lanes) at a
// time, then folded into one lane and reduced to 32 bits, which is the register after those
// bytes. Each function is compiled for its instruction set alone, so the rest of the program
// runs on any x86 processor.
#include "packager/format/crc_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstdint>

#include "packager/format/crc_fold_constants.h"

#define VEXO_TARGET_CLMUL __attribute__((target("pclmul,ssse3,sse4.1")))
#define VEXO_TARGET_VECTOR_CLMUL \
    __attribute__((target("pclmul,ssse3,sse4.1,avx2,avx512f,avx512bw,avx512vl,vpclmulqdq")))

namespace packager::format::crc {

namespace {

// The folds start with four lanes or four registers; shorter data goes to the next method down.
constexpr std::size_t kClmulMinimum = 64;
constexpr std::size_t kVectorMinimum = 256;

VEXO_TARGET_CLMUL inline __m128i Constants(FoldPair pair) {
    return _mm_set_epi64x(static_cast<long long>(pair.high), static_cast<long long>(pair.low));
}

// Sixteen data bytes as a polynomial: the first byte becomes the top.
VEXO_TARGET_CLMUL inline __m128i Load(const std::uint8_t* data) {
    const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), reverse);
}

// The lane moved along the data by the distance its constants stand for.
VEXO_TARGET_CLMUL inline __m128i Fold(__m128i lane, __m128i constants) {
    return _mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00),
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

// size: at least 64 and a multiple of 16.
VEXO_TARGET_CLMUL std::uint32_t FoldLanes(std::uint32_t checkRegister, const std::uint8_t* data,
                                          std::size_t size) {
    __m128i x0 = _mm_xor_si128(Load(data), _mm_set_epi32(static_cast<int>(checkRegister), 0, 0, 0));
    __m128i x1 = Load(data + 16);
    __m128i x2 = Load(data + 32);
    __m128i x3 = Load(data + 48);
    data += 64;
    size -= 64;

    const __m128i by64 = Constants(kFold64);
    while (size >= 64) {
        x0 = _mm_xor_si128(Fold(x0, by64), Load(data));
        x1 = _mm_xor_si128(Fold(x1, by64), Load(data + 16));
        x2 = _mm_xor_si128(Fold(x2, by64), Load(data + 32));
        x3 = _mm_xor_si128(Fold(x3, by64), Load(data + 48));
        data += 64;
        size -= 64;
    }

    const __m128i by16 = Constants(kFold16);
    x1 = _mm_xor_si128(Fold(x0, by16), x1);
    x2 = _mm_xor_si128(Fold(x1, by16), x2);
    x3 = _mm_xor_si128(Fold(x2, by16), x3);
    for (; size >= 16; data += 16, size -= 16) {
        x3 = _mm_xor_si128(Fold(x3, by16), Load(data));
    }
    return Reduce(x3);
}

VEXO_TARGET_VECTOR_CLMUL inline __m512i Constants512(FoldPair pair) {
    const auto low = static_cast<long long>(pair.low);
    const auto high = static_cast<long long>(pair.high);
    return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

// The byte order within each 128-bit lane reversed.
alignas(64) constexpr std::uint8_t kReverseLanes[64] = {
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};

// Sixty-four data bytes as four lanes, each byte-swapped; lane 0 holds the first sixteen.
VEXO_TARGET_VECTOR_CLMUL inline __m512i Load512(const std::uint8_t* data) {
    return _mm512_shuffle_epi8(_mm512_loadu_si512(data), _mm512_load_si512(kReverseLanes));
}

// Every lane moved along the data, plus the new data.
VEXO_TARGET_VECTOR_CLMUL inline __m512i Fold512(__m512i lanes, __m512i constants, __m512i add) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(lanes, constants, 0x00),
                                     _mm512_clmulepi64_epi128(lanes, constants, 0x11), add,
                                     0x96);  // a ^ b ^ c
}

// size: at least 256 and a multiple of 16.
VEXO_TARGET_VECTOR_CLMUL std::uint32_t FoldVectors(std::uint32_t checkRegister,
                                                   const std::uint8_t* data, std::size_t size) {
    // The register goes into element 3 of lane 0: the top of the first sixteen bytes.
    __m512i z0 = _mm512_xor_si512(Load512(data),
                                  _mm512_maskz_set1_epi32(0x0008, static_cast<int>(checkRegister)));
    __m512i z1 = Load512(data + 64);
    __m512i z2 = Load512(data + 128);
    __m512i z3 = Load512(data + 192);
    data += 256;
    size -= 256;

    const __m512i by256 = Constants512(kFold256);
    while (size >= 256) {
        z0 = Fold512(z0, by256, Load512(data));
        z1 = Fold512(z1, by256, Load512(data + 64));
        z2 = Fold512(z2, by256, Load512(data + 128));
        z3 = Fold512(z3, by256, Load512(data + 192));
        data += 256;
        size -= 256;
    }

    const __m512i by64 = Constants512(kFold64);
    z1 = Fold512(z0, by64, z1);
    z2 = Fold512(z1, by64, z2);
    z3 = Fold512(z2, by64, z3);
    for (; size >= 64; data += 64, size -= 64) {
        z3 = Fold512(z3, by64, Load512(data));
    }

    // Lanes 0, 1 and 2 move 48, 32 and 16 bytes along onto lane 3.
    const __m512i toLastLane = _mm512_set_epi64(
        0, 0, static_cast<long long>(kFold16.high), static_cast<long long>(kFold16.low),
        static_cast<long long>(kFold32.high), static_cast<long long>(kFold32.low),
        static_cast<long long>(kFold48.high), static_cast<long long>(kFold48.low));
    const __m512i moved = _mm512_xor_si512(_mm512_clmulepi64_epi128(z3, toLastLane, 0x00),
                                           _mm512_clmulepi64_epi128(z3, toLastLane, 0x11));
    // (The zero-masking extracts leave no lane undefined for the compiler to warn about.)
    __m128i x = _mm_xor_si128(_mm_xor_si128(_mm512_maskz_extracti32x4_epi32(0xF, moved, 0),
                                            _mm512_maskz_extracti32x4_epi32(0xF, moved, 1)),
                              _mm_xor_si128(_mm512_maskz_extracti32x4_epi32(0xF, moved, 2),
                                            _mm512_maskz_extracti32x4_epi32(0xF, z3, 3)));

    const __m128i by16 = Constants(kFold16);
    for (; size >= 16; data += 16, size -= 16) {
        x = _mm_xor_si128(Fold(x, by16), Load(data));
    }
    return Reduce(x);
}

}  // namespace

// Loads need no alignment: on processors with these instructions an unaligned load costs no
// more than an aligned one unless it crosses a cache line, and aligning the start first with
// the table costs more than those crossings (measured by bench/crc_bench on 16,384-byte
// blocks).
std::uint32_t UpdateClmul(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    if (size < kClmulMinimum) {
        return UpdateSlicingBy8(checkRegister, data, size);
    }
    const std::size_t lanes = size & ~std::size_t{15};
    checkRegister = FoldLanes(checkRegister, data, lanes);
    return UpdateSlicingBy8(checkRegister, data + lanes, size - lanes);
}

std::uint32_t UpdateVectorClmul(std::uint32_t checkRegister, const std::uint8_t* data,
                                std::size_t size) {
    if (size < kVectorMinimum) {
        return UpdateClmul(checkRegister, data, size);
    }
    const std::size_t lanes = size & ~std::size_t{15};
    checkRegister = FoldVectors(checkRegister, data, lanes);
    return UpdateSlicingBy8(checkRegister, data + lanes, size - lanes);
}

}  // namespace packager::format::crc

#else

namespace packager::format::crc {

// Never called: the processor check reports the instructions missing on other architectures.
std::uint32_t UpdateClmul(std::uint32_t checkRegister, const std::uint8_t* data, std::size_t size) {
    return UpdateSlicingBy8(checkRegister, data, size);
}

std::uint32_t UpdateVectorClmul(std::uint32_t checkRegister, const std::uint8_t* data,
                                std::size_t size) {
    return UpdateSlicingBy8(checkRegister, data, size);
}

}  // namespace packager::format::crc

#endif
