// Packages built byte by byte for the worker's tests: a small PE stub, then entryCount and each
// entry's header and data, with names and check values under the test's control, so that
// packages no writer would make (names that escape, wrong check values) can be built too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace packager::testing_support {

using Bytes = std::vector<std::uint8_t>;

struct TestEntry {
    std::string name;  // copied into the 260-byte field; 260 bytes leave no NUL
    Bytes data;
    std::optional<std::uint32_t> checkValue;  // the true check value when unset
};

struct BuiltPackage {
    Bytes bytes;
    std::size_t payloadOffset = 0;
    std::vector<std::size_t> dataOffsets;  // where each entry's data starts
};

// A 32-bit PE image of headers and one section, whose raw data ends the file.
Bytes MinimalPeStub();

// Bytes that differ from entry to entry and from block to block.
Bytes PatternBytes(std::size_t size, std::uint8_t seed);

BuiltPackage BuildPackage(const std::vector<TestEntry>& entries, const Bytes& stub);
BuiltPackage BuildPackage(const std::vector<TestEntry>& entries);

}  // namespace packager::testing_support
