// Throughput of the package check value (CRC-32/BZIP2) by each of our methods - the table rule,
// slicing-by-8, carry-less-multiply folding on 128-, 256- and 512-bit registers, and the fast
// path the worker uses - against ISA-L's crc32_ieee and those of ISA-L's own variants this
// processor runs, on the same buffers: 1 MiB and 256 MiB, or one size given with --size. Every
// value is checked against the table rule, whole and continued from the middle, before anything
// is timed; a mismatch makes the program fail.
//
// ISA-L's crc32_ieee(seed, data, size) is the same CRC with the register started at ~seed and
// inverted at the end, so crc32_ieee(0, ...) is the check value and a check value passed back
// in as the seed continues it. Every candidate here takes and gives values that way.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "packager/format/check_value.h"
#include "packager/format/crc_methods.h"
#include "ratio.h"

#ifdef VEXO_HAVE_ISAL
#include <isa-l/crc.h>

// ISA-L's variants behind crc32_ieee, which its header does not declare: by4 and 01 on SSE, 02
// on AVX (what ISA-L runs on a processor with VPCLMULQDQ but not AVX-512). Its AVX-512 code,
// by16_10, is timed as crc32_ieee itself, which picks it wherever it can run. Weak, so that an
// ISA-L without one still links; a missing one is left out.
extern "C" {
uint32_t crc32_ieee_by4(uint32_t, const unsigned char*, uint64_t) __attribute__((weak));
uint32_t crc32_ieee_01(uint32_t, const unsigned char*, uint64_t) __attribute__((weak));
uint32_t crc32_ieee_02(uint32_t, const unsigned char*, uint64_t) __attribute__((weak));
}
#endif

namespace {

using packager::format::CrcMethod;
using Bytes = std::vector<std::uint8_t>;
using Update = std::uint32_t (*)(std::uint32_t value, std::span<const std::uint8_t> bytes);

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
    Update update;
    double gigabytesPerSecond = 0;
};

// The register a finished value continues from is its inverse, as is the value of a register.
template <CrcMethod method>
std::uint32_t ByMethod(std::uint32_t value, std::span<const std::uint8_t> bytes) {
    return ~packager::format::UpdateCheckRegister(method, ~value, bytes);
}

std::uint32_t FastPath(std::uint32_t value, std::span<const std::uint8_t> bytes) {
    return ~packager::format::UpdateCheckRegister(~value, bytes);
}

std::uint32_t FastPathInWorkerBlocks(std::uint32_t value, std::span<const std::uint8_t> bytes) {
    std::uint32_t checkRegister = ~value;
    for (std::size_t at = 0; at < bytes.size(); at += kWorkerBlock) {
        checkRegister = packager::format::UpdateCheckRegister(
            checkRegister, bytes.subspan(at, std::min(kWorkerBlock, bytes.size() - at)));
    }
    return ~checkRegister;
}

#ifdef VEXO_HAVE_ISAL
// ISA-L's AVX-512 code returns without VZEROUPPER. Legacy-SSE code that runs after it - our
// 128-bit method - then ran at about half speed here, so the state is cleared after each call
// (as our own AVX code does on return) and every method is timed on its own.
void ClearUpperVectorState() {
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("avx")) {
        __asm__ volatile("vzeroupper" ::: "memory");
    }
#endif
}

using IsaLFunction = uint32_t (*)(uint32_t, const unsigned char*, uint64_t);

template <IsaLFunction function>
std::uint32_t ByIsaL(std::uint32_t value, std::span<const std::uint8_t> bytes) {
    const std::uint32_t result = function(value, bytes.data(), bytes.size());
    ClearUpperVectorState();
    return result;
}

// ISA-L's SSE variants need what our 128-bit method needs, its AVX variant AVX as well.
bool ProcessorRunsIsaLSse() {
    return packager::format::CrcMethodAvailable(CrcMethod::Clmul);
}

bool ProcessorRunsIsaLAvx() {
#if defined(__x86_64__) || defined(__i386__)
    return ProcessorRunsIsaLSse() && __builtin_cpu_supports("avx");
#else
    return false;
#endif
}
#endif

// What each processor class runs of ours; a method this processor lacks is left out.
struct OurMethod {
    CrcMethod method;
    Update update;
};

constexpr OurMethod kOurMethods[] = {
    {CrcMethod::Table, ByMethod<CrcMethod::Table>},
    {CrcMethod::SlicingBy8, ByMethod<CrcMethod::SlicingBy8>},
    {CrcMethod::Clmul, ByMethod<CrcMethod::Clmul>},
    {CrcMethod::Clmul256, ByMethod<CrcMethod::Clmul256>},
    {CrcMethod::Clmul512, ByMethod<CrcMethod::Clmul512>},
};

std::vector<Candidate> Candidates() {
    std::vector<Candidate> candidates;
    for (const OurMethod& ours : kOurMethods) {
        if (packager::format::CrcMethodAvailable(ours.method)) {
            candidates.push_back({packager::format::CrcMethodName(ours.method), ours.update});
        }
    }
    candidates.push_back(
        {std::string("fast path (") +
             packager::format::CrcMethodName(packager::format::FastestCrcMethod()) + ")",
         FastPath});
    candidates.push_back({"fast path in 16,384-byte blocks", FastPathInWorkerBlocks});
#ifdef VEXO_HAVE_ISAL
    candidates.push_back({"ISA-L crc32_ieee (its own choice)", ByIsaL<crc32_ieee>});
    if (crc32_ieee_by4 != nullptr && ProcessorRunsIsaLSse()) {
        candidates.push_back({"ISA-L crc32_ieee_by4 (128-bit, SSE)", ByIsaL<crc32_ieee_by4>});
    }
    if (crc32_ieee_01 != nullptr && ProcessorRunsIsaLSse()) {
        candidates.push_back({"ISA-L crc32_ieee_01 (128-bit, SSE)", ByIsaL<crc32_ieee_01>});
    }
    if (crc32_ieee_02 != nullptr && ProcessorRunsIsaLAvx()) {
        candidates.push_back({"ISA-L crc32_ieee_02 (128-bit, AVX)", ByIsaL<crc32_ieee_02>});
    }
#endif
    return candidates;
}

double GigabytesPerSecondOf(const std::vector<Candidate>& candidates, Update update) {
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [&](const Candidate& c) { return c.update == update; });
    return found == candidates.end() ? 0 : found->gigabytesPerSecond;
}

// Seconds per pass over the buffer for each candidate. Each run times every candidate in turn
// for about 20 ms (enough passes that short buffers are not timed at the clock's resolution), so
// that load from elsewhere on the machine falls on all of them alike; the median run counts.
std::vector<double> SecondsPerPass(const std::vector<Candidate>& candidates,
                                   std::span<const std::uint8_t> buffer, int runs) {
    volatile std::uint32_t sink = 0;
    std::vector<int> passes;
    for (const Candidate& candidate : candidates) {
        const double once =
            vexo::bench::MedianSeconds(1, [&] { sink = candidate.update(0, buffer); });
        passes.push_back(std::max(1, static_cast<int>(0.02 / std::max(once, 1e-9))));
    }
    std::vector<std::vector<double>> seconds(candidates.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            seconds[i].push_back(vexo::bench::MedianSeconds(1, [&] {
                for (int pass = 0; pass < passes[i]; ++pass) {
                    sink = candidates[i].update(0, buffer);
                }
            }));
        }
    }
    (void)sink;
    std::vector<double> perPass;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        std::sort(seconds[i].begin(), seconds[i].end());
        perPass.push_back(seconds[i][seconds[i].size() / 2] / passes[i]);
    }
    return perPass;
}

bool ChecksOut(std::span<const std::uint8_t> buffer, const std::vector<Candidate>& candidates) {
    const std::uint32_t reference = packager::format::ReferenceCrc(buffer);
    const std::size_t half = buffer.size() / 2 + 3 < buffer.size() ? buffer.size() / 2 + 3 : 0;
    bool ok = true;
    for (const Candidate& candidate : candidates) {
        const std::uint32_t whole = candidate.update(0, buffer);
        const std::uint32_t continued =
            candidate.update(candidate.update(0, buffer.first(half)), buffer.subspan(half));
        if (whole != reference || continued != reference) {
            std::printf("MISMATCH: %s gives %08X (continued %08X), the table rule %08X\n",
                        candidate.name.c_str(), whole, continued, reference);
            ok = false;
        }
    }
    return ok;
}

void PrintClassRatio(const char* what, double ours, double theirs) {
    if (ours > 0 && theirs > 0) {
        std::printf("  %-62s %6.2fx\n", what, ours / theirs);
    }
}

// Each processor class's method of ours against the ISA-L code that class would run.
void PrintClassRatios(const std::vector<Candidate>& candidates) {
#ifdef VEXO_HAVE_ISAL
    const auto of = [&](Update update) { return GigabytesPerSecondOf(candidates, update); };
    std::printf("  throughput ours / ISA-L, class by class (above 1: ours is faster)\n");
    PrintClassRatio("no VPCLMULQDQ, SSE: 128-bit / ISA-L 01", of(ByMethod<CrcMethod::Clmul>),
                    of(ByIsaL<crc32_ieee_01>));
    PrintClassRatio("no VPCLMULQDQ, AVX: 128-bit / ISA-L 02", of(ByMethod<CrcMethod::Clmul>),
                    of(ByIsaL<crc32_ieee_02>));
    PrintClassRatio("VPCLMULQDQ, no AVX-512: 256-bit / ISA-L 02, its choice there",
                    of(ByMethod<CrcMethod::Clmul256>), of(ByIsaL<crc32_ieee_02>));
    PrintClassRatio("VPCLMULQDQ, no AVX-512: 256-bit / ISA-L's choice here",
                    of(ByMethod<CrcMethod::Clmul256>), of(ByIsaL<crc32_ieee>));
    PrintClassRatio("AVX-512: 512-bit / ISA-L's choice here", of(ByMethod<CrcMethod::Clmul512>),
                    of(ByIsaL<crc32_ieee>));
#else
    (void)candidates;
#endif
}

struct Figures {
    bool ok = false;  // every method gave the table rule's value
    double fastSeconds = 0;
    double isalSeconds = 0;
};

Figures Measure(const std::string& label, std::span<const std::uint8_t> buffer, int runs) {
    std::vector<Candidate> candidates = Candidates();
    Figures figures;
    std::printf("\n%s buffer, median of %d runs (check value %08X)\n", label.c_str(), runs,
                packager::format::ReferenceCrc(buffer));
    if (!ChecksOut(buffer, candidates)) {
        return figures;
    }
    figures.ok = true;
    const std::vector<double> seconds = SecondsPerPass(candidates, buffer, runs);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        candidates[i].gigabytesPerSecond = static_cast<double>(buffer.size()) / seconds[i] / 1e9;
        std::printf("  %-40s %8.2f GB/s\n", candidates[i].name.c_str(),
                    candidates[i].gigabytesPerSecond);
    }
    const auto secondsOf = [&](Update update) {
        const auto found = std::find_if(candidates.begin(), candidates.end(),
                                        [&](const Candidate& c) { return c.update == update; });
        return seconds[static_cast<std::size_t>(found - candidates.begin())];
    };
    figures.fastSeconds = secondsOf(FastPath);
    vexo::bench::PrintRatio("  fast path, time per pass", figures.fastSeconds,
                            "of the table rule's", seconds[0]);
#ifdef VEXO_HAVE_ISAL
    figures.isalSeconds = secondsOf(ByIsaL<crc32_ieee>);
    vexo::bench::PrintRatio("  fast path, time per pass", figures.fastSeconds, "of ISA-L's",
                            figures.isalSeconds);
#endif
    PrintClassRatios(candidates);
    return figures;
}

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: crc_bench [--quick | --size BYTES]\n"
                 "  Times the check value by each method and ISA-L's crc32_ieee on 1 MiB and\n"
                 "  256 MiB buffers, or on one buffer of BYTES bytes (at least 1) with --size.\n"
                 "  --quick: one 64 KiB buffer, to show that it runs, not how fast.\n"
                 "  Fails when a method gives a wrong value.\n");
}

struct Size {
    std::string label;
    std::size_t bytes;
    int runs;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<Size> sizes = {{"1 MiB", kMiB, 25}, {"256 MiB", 256 * kMiB, 9}};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        unsigned long long bytes = 0;
        if (argument == "--quick") {
            bytes = 64 * 1024;
        } else if (argument == "--size" && i + 1 < argc) {
            char* end = nullptr;
            bytes = std::strtoull(argv[++i], &end, 10);
            bytes = *end == '\0' ? bytes : 0;
        }
        if (bytes == 0) {
            PrintUsage(stderr);
            return 2;
        }
        sizes = {{std::to_string(bytes) + "-byte", static_cast<std::size_t>(bytes), 5}};
    }

    std::printf("CRC-32/BZIP2 throughput; the fast path here is %s\n",
                packager::format::CrcMethodName(packager::format::FastestCrcMethod()));
    std::size_t largest = 0;
    for (const Size& size : sizes) {
        largest = std::max(largest, size.bytes);
    }
    const Bytes buffer = RandomBytes(largest);
    bool ok = true;
    std::string ratios;
    for (const Size& size : sizes) {
        const Figures figures =
            Measure(size.label, std::span(buffer).subspan(0, size.bytes), size.runs);
        ok = ok && figures.ok;
        char ratio[64];
        if (figures.ok) {
            std::snprintf(ratio, sizeof ratio, "%s%s %.2fx", ratios.empty() ? "" : ", ",
                          size.label.c_str(), figures.isalSeconds / figures.fastSeconds);
        } else {
            std::snprintf(ratio, sizeof ratio, "%s%s MISMATCH", ratios.empty() ? "" : ", ",
                          size.label.c_str());
        }
        ratios += ratio;
    }

#ifdef VEXO_HAVE_ISAL
    std::printf("\nthroughput ours / ISA-L (above 1: ours is faster): %s\n", ratios.c_str());
#else
    std::printf("\nISA-L (libisal-dev) was not found when this was built: no ratio against it\n");
#endif
    if (!ok) {
        std::fprintf(stderr, "a method gave a wrong check value (MISMATCH above)\n");
        return 1;
    }
    return 0;
}
