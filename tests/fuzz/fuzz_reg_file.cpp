// Feeds arbitrary bytes to the .reg reader. Whatever it accepts must survive the writer: a
// document written and read again is read the same way every further time, and is the
// document itself unless a text value held bytes that are not UTF-8 (which the UTF-16LE hex
// forms cannot carry).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "tools/regfile/reg_reader.h"
#include "tools/regfile/reg_text.h"
#include "tools/regfile/reg_writer.h"

namespace {

using namespace regfile;

bool IsUtf8(const std::vector<std::uint8_t>& data) {
    const std::string text(data.begin(), data.end());
    const std::vector<std::uint8_t> utf16 = Utf8ToUtf16Le(text);
    return Utf16LeToUtf8(utf16) == text;
}

bool WrittenWithoutLoss(const RegDocument& document) {
    for (const KeySection& section : document.sections) {
        for (const ValueEntry& value : section.values) {
            if (!value.remove && IsTextType(value.type) && !IsUtf8(value.data)) {
                return false;
            }
        }
    }
    return true;
}

std::optional<RegDocument> WrittenAndRead(const RegDocument& document) {
    const FormatOutcome written = FormatRegFile(document);
    if (!written.text) {
        return std::nullopt;
    }
    ParseOutcome read = ParseRegText(*written.text);
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
    if (WrittenWithoutLoss(*parsed.document) && *once != *parsed.document) {
        std::abort();
    }
    const std::optional<RegDocument> twice = WrittenAndRead(*once);
    if (!twice || *twice != *once) {
        std::abort();
    }
    return 0;
}
