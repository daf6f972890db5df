// Feeds arbitrary bytes to the .reg reader. Whatever it accepts must survive the writer: a
// document written and read again is the document itself, whatever bytes its names and texts
// hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "tools/regfile/reg_reader.h"
#include "tools/regfile/reg_writer.h"

namespace {

using namespace regfile;

std::optional<RegDocument> WrittenAndRead(const RegDocument& document) {
    const FormatOutcome written = FormatRegFile(document);
    if (!written.bytes) {
        return std::nullopt;
    }
    ParseOutcome read = ParseRegFile(*written.bytes);
    if (!read.document) {
        std::abort();  // the reader refused what the writer wrote
    }
    return std::move(read.document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ParseOutcome parsed = ParseRegFile(std::span<const std::uint8_t>(data, size));
    if (!parsed.document) {
        if (parsed.line == 0 || parsed.problem.empty()) {
            std::abort();  // a refusal must say where and why
        }
        return 0;
    }
    const std::optional<RegDocument> once = WrittenAndRead(*parsed.document);
    if (!once) {
        return 0;  // a key name that no file can hold
    }
    if (*once != *parsed.document) {
        std::abort();
    }
    return 0;
}
