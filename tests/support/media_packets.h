// The media of a file as a demuxer hands it out, packet by packet: what a rewrite of the file's
// metadata must leave exactly as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexo::test_support {

// One digest per packet libavformat reads from the file, in its order, over the packet's stream
// index, presentation and decoding times, flags and bytes. std::nullopt when the file cannot be
// opened or read to its end.
std::optional<std::vector<std::uint64_t>> PacketDigests(const std::string& path);

}  // namespace vexo::test_support
