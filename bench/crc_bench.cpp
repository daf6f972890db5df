// Throughput of the package check value (CRC-32/BZIP2) by each method - the table rule,
// slicing-by-8, PCLMULQDQ and VPCLMULQDQ folding, and the fast path the worker uses - on 1 MiB
// and 256 MiB buffers, against ISA-L's crc32_ieee where it is installed. Every method's value
// is checked against the table rule, and ISA-L's against ours, before anything is timed.
//
// ISA-L's crc32_ieee(seed, data, size) is the same CRC with the register started at ~seed and
// inverted at the end, so crc32_ieee(0, ...) is the check value and a check value passed back
// in as the seed continues it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "packager/format/check_value.h"
#include "packager/format/crc_methods.h"
#include "ratio.h"

#ifdef VEXO_HAVE_ISAL
#include <isa-l/crc.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kWorkerBlock = 16'384;

Bytes RandomBytes(std::size_t size) {
    Bytes bytes(size);
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::size_t i = 0; i < size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (std::size_t j = 0; j < 8 && i + j < size; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(state >> (8 * j));
        }
    }
    return bytes;
}

struct Candidate {
    std::string name;
    std::uint32_t (*value)(std::span<const std::uint8_t>);
};

template <packager::format::CrcMethod method>
std::uint32_t ByMethod(std::span<const std::uint8_t> bytes) {
    return packager::format::FinishCheckRegister(packager::format::UpdateCheckRegister(
        method, packager::format::kCheckRegisterStart, bytes));
}

std::uint32_t FastPath(std::span<const std::uint8_t> bytes) {
    return packager::format::ComputeCheckValue(bytes);
}

std::uint32_t FastPathInWorkerBlocks(std::span<const std::uint8_t> bytes) {
    packager::format::CheckValue check;
    for (std::size_t at = 0; at < bytes.size(); at += kWorkerBlock) {
        check.Update(bytes.subspan(at, std::min(kWorkerBlock, bytes.size() - at)));
    }
    return check.Finish();
}

#ifdef VEXO_HAVE_ISAL
// ISA-L's AVX-512 code returns without VZEROUPPER. Legacy-SSE code that runs after it - our
// PCLMULQDQ method - then ran at about half speed here, so the state is cleared after each
// call (as our own AVX-512 code does on return) and every method is timed on its own.
void ClearUpperVectorState() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx")) {
        __asm__ volatile("vzeroupper" ::: "memory");
    }
#endif
}

std::uint32_t IsaL(std::span<const std::uint8_t> bytes) {
    const std::uint32_t value = crc32_ieee(0, bytes.data(), bytes.size());
    ClearUpperVectorState();
    return value;
}
#endif

std::vector<Candidate> Candidates() {
    using packager::format::CrcMethod;
    std::vector<Candidate> candidates = {{"table (reference rule)", ByMethod<CrcMethod::Table>},
                                         {"slicing-by-8", ByMethod<CrcMethod::SlicingBy8>}};
    if (packager::format::CrcMethodAvailable(CrcMethod::Clmul)) {
        candidates.push_back({"PCLMULQDQ folding", ByMethod<CrcMethod::Clmul>});
    }
    if (packager::format::CrcMethodAvailable(CrcMethod::VectorClmul)) {
        candidates.push_back({"VPCLMULQDQ folding", ByMethod<CrcMethod::VectorClmul>});
    }
    candidates.push_back(
        {std::string("fast path (") +
             packager::format::CrcMethodName(packager::format::FastestCrcMethod()) + ")",
         FastPath});
    candidates.push_back({"fast path in 16,384-byte blocks", FastPathInWorkerBlocks});
    return candidates;
}

// Seconds per pass over the buffer: the median of `runs` runs of enough passes to take about
// 50 ms, so that short buffers are not timed at the clock's resolution.
double SecondsPerPass(const Candidate& candidate, std::span<const std::uint8_t> buffer, int runs) {
    volatile std::uint32_t sink = 0;
    const double once = vexo::bench::MedianSeconds(1, [&] { sink = candidate.value(buffer); });
    const int passes = std::max(1, static_cast<int>(0.05 / std::max(once, 1e-9)));
    const double seconds = vexo::bench::MedianSeconds(runs, [&] {
        for (int i = 0; i < passes; ++i) {
            sink = candidate.value(buffer);
        }
    });
    (void)sink;
    return seconds / passes;
}

bool ChecksOut(std::span<const std::uint8_t> buffer, const std::vector<Candidate>& candidates) {
    const std::uint32_t reference = packager::format::ReferenceCrc(buffer);
    bool ok = true;
    for (const Candidate& candidate : candidates) {
        if (candidate.value(buffer) != reference) {
            std::printf("MISMATCH: %s gives %08X, the table rule %08X\n", candidate.name.c_str(),
                        candidate.value(buffer), reference);
            ok = false;
        }
    }
#ifdef VEXO_HAVE_ISAL
    const std::uint32_t isal = IsaL(buffer);
    const std::size_t half = buffer.size() / 2 + 3;
    const std::uint32_t continued =
        crc32_ieee(crc32_ieee(0, buffer.data(), half), buffer.data() + half, buffer.size() - half);
    ClearUpperVectorState();
    if (isal != reference || continued != reference) {
        std::printf("MISMATCH: ISA-L gives %08X (continued %08X), the table rule %08X\n", isal,
                    continued, reference);
        ok = false;
    }
#endif
    return ok;
}

struct Figures {
    bool ok = false;  // every method gave the table rule's value
    double fastSeconds = 0;
    double isalSeconds = 0;
};

Figures Measure(const char* label, std::span<const std::uint8_t> buffer, int runs) {
    std::vector<Candidate> candidates = Candidates();
    Figures figures;
    std::printf("\n%s buffer, median of %d runs (check value %08X)\n", label, runs,
                packager::format::ReferenceCrc(buffer));
    if (!ChecksOut(buffer, candidates)) {
        return figures;
    }
    figures.ok = true;
#ifdef VEXO_HAVE_ISAL
    candidates.push_back({"ISA-L crc32_ieee", IsaL});
#endif
    std::vector<double> seconds;
    for (const Candidate& candidate : candidates) {
        seconds.push_back(SecondsPerPass(candidate, buffer, runs));
        std::printf("  %-40s %8.2f GB/s\n", candidate.name.c_str(),
                    static_cast<double>(buffer.size()) / seconds.back() / 1e9);
    }
    const auto fast = std::find_if(candidates.begin(), candidates.end(),
                                   [](const Candidate& c) { return c.value == FastPath; });
    figures.fastSeconds = seconds[static_cast<std::size_t>(fast - candidates.begin())];
    vexo::bench::PrintRatio("  fast path, time per pass", figures.fastSeconds,
                            "of the table rule's", seconds[0]);
#ifdef VEXO_HAVE_ISAL
    figures.isalSeconds = seconds.back();
    vexo::bench::PrintRatio("  fast path, time per pass", figures.fastSeconds, "of ISA-L's",
                            figures.isalSeconds);
#endif
    return figures;
}

}  // namespace

int main() {
    std::printf("CRC-32/BZIP2 throughput; the fast path here is %s\n",
                packager::format::CrcMethodName(packager::format::FastestCrcMethod()));
    const Bytes large = RandomBytes(256 * kMiB);
    const Figures small = Measure("1 MiB", std::span(large).subspan(0, kMiB), 15);
    const Figures big = Measure("256 MiB", large, 3);

#ifdef VEXO_HAVE_ISAL
    std::printf("\nthroughput ours / ISA-L (above 1: ours is faster): 1 MiB %.2fx, 256 MiB %.2fx\n",
                small.isalSeconds / small.fastSeconds, big.isalSeconds / big.fastSeconds);
#else
    std::printf("\nISA-L (libisal-dev) was not found when this was built: no ratio against it\n");
#endif
    if (!small.ok || !big.ok) {
        std::fprintf(stderr, "a method gave a wrong check value (MISMATCH above)\n");
        return 1;
    }
    return 0;
}
