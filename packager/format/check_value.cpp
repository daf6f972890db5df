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
        case CrcMethod::Clmul256:
            return crc::UpdateClmul256;
        case CrcMethod::Clmul512:
            return crc::UpdateClmul512;
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
        case CrcMethod::Clmul256:
            return crc::DetectedCpuFeatures().clmul256;
        case CrcMethod::Clmul512:
            return crc::DetectedCpuFeatures().clmul512;
    }
    return false;
}

// The widest folding the processor runs; each width's features include the narrower one's.
CrcMethod FastestCrcMethod() {
    const crc::CpuFeatures& cpu = crc::DetectedCpuFeatures();
    return cpu.clmul512   ? CrcMethod::Clmul512
           : cpu.clmul256 ? CrcMethod::Clmul256
           : cpu.clmul    ? CrcMethod::Clmul
                          : CrcMethod::SlicingBy8;
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
