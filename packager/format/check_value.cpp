#include "packager/format/check_value.h"

#include "packager/format/cpu_features.h"
#include "packager/format/crc_kernels.h"
#include "packager/format/crc_methods.h"

namespace packager::format {

namespace {

using Kernel = std::uint32_t (*)(std::uint32_t, const std::uint8_t*, std::size_t);

Kernel KernelOf(CrcMethod method) {
    switch (method) {
        case CrcMethod::Table:
            return crc::UpdateTable;
        case CrcMethod::SlicingBy8:
            return crc::UpdateSlicingBy8;
        case CrcMethod::Clmul:
            return crc::UpdateClmul;
        case CrcMethod::VectorClmul:
            return crc::UpdateVectorClmul;
    }
    return crc::UpdateTable;
}

Kernel FastestKernel() {
    static const Kernel kernel = KernelOf(FastestCrcMethod());
    return kernel;
}

}  // namespace

bool CrcMethodAvailable(CrcMethod method) {
    switch (method) {
        case CrcMethod::Table:
        case CrcMethod::SlicingBy8:
            return true;
        case CrcMethod::Clmul:
            return crc::DetectedCpuFeatures().clmul;
        case CrcMethod::VectorClmul:
            return crc::DetectedCpuFeatures().vectorClmul;
    }
    return false;
}

CrcMethod FastestCrcMethod() {
    if (CrcMethodAvailable(CrcMethod::VectorClmul)) {
        return CrcMethod::VectorClmul;
    }
    if (CrcMethodAvailable(CrcMethod::Clmul)) {
        return CrcMethod::Clmul;
    }
    return CrcMethod::SlicingBy8;
}

const char* CrcMethodName(CrcMethod method) {
    switch (method) {
        case CrcMethod::Table:
            return "table";
        case CrcMethod::SlicingBy8:
            return "slicing-by-8";
        case CrcMethod::Clmul:
            return "PCLMULQDQ folding";
        case CrcMethod::VectorClmul:
            return "VPCLMULQDQ folding";
    }
    return "?";
}

std::uint32_t UpdateCheckRegister(CrcMethod method, std::uint32_t checkRegister,
                                  std::span<const std::uint8_t> bytes) {
    return KernelOf(method)(checkRegister, bytes.data(), bytes.size());
}

std::uint32_t UpdateCheckRegister(std::uint32_t checkRegister,
                                  std::span<const std::uint8_t> bytes) {
    return FastestKernel()(checkRegister, bytes.data(), bytes.size());
}

std::uint32_t ComputeCheckValue(std::span<const std::uint8_t> bytes) {
    return FinishCheckRegister(UpdateCheckRegister(kCheckRegisterStart, bytes));
}

std::uint32_t ReferenceCrc(std::span<const std::uint8_t> bytes) {
    return FinishCheckRegister(crc::UpdateTable(kCheckRegisterStart, bytes.data(), bytes.size()));
}

}  // namespace packager::format
