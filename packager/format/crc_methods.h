// The ways of computing the check value, all with the same result: the byte-at-a-time table
// rule (the reference), slicing-by-8, and carry-less-multiply folding on 128-bit registers
// (PCLMULQDQ), on 256-bit registers (VPCLMULQDQ with AVX2) or on 512-bit registers (VPCLMULQDQ
// with AVX-512). The folding methods exist only where the processor has the instructions;
// UpdateCheckRegister picks the widest one at run time.
#pragma once

#include <cstdint>
#include <span>

namespace packager::format {

enum class CrcMethod { Table, SlicingBy8, Clmul, Clmul256, Clmul512 };

inline constexpr CrcMethod kAllCrcMethods[] = {CrcMethod::Table, CrcMethod::SlicingBy8,
                                               CrcMethod::Clmul, CrcMethod::Clmul256,
                                               CrcMethod::Clmul512};

bool CrcMethodAvailable(CrcMethod method);
CrcMethod FastestCrcMethod();

// Inline, so that the names are part only of the programs that show them, not of the stub.
inline const char* CrcMethodName(CrcMethod method) {
    switch (method) {
        case CrcMethod::Table:
            return "table";
        case CrcMethod::SlicingBy8:
            return "slicing-by-8";
        case CrcMethod::Clmul:
            return "PCLMULQDQ folding";
        case CrcMethod::Clmul256:
            return "VPCLMULQDQ folding, 256-bit";
        case CrcMethod::Clmul512:
            return "VPCLMULQDQ folding, 512-bit";
    }
    return "?";
}

// Feeds bytes into a running register with the given method, which must be available.
std::uint32_t UpdateCheckRegister(CrcMethod method, std::uint32_t checkRegister,
                                  std::span<const std::uint8_t> bytes);

// The finished check value by the table rule, one byte at a time: the reference the other
// methods are measured and tested against.
std::uint32_t ReferenceCrc(std::span<const std::uint8_t> bytes);

}  // namespace packager::format
