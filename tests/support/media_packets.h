// A media file as FFmpeg, an independent reader, sees it: its media as the demuxer hands it out,
// packet by packet (what a rewrite of the file's metadata must leave exactly as it was), and its
// tags as ffprobe reports them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexo::test_support {

// One digest per packet libavformat reads from the file, in its order, over the packet's stream
// index, presentation and decoding times, flags and bytes. std::nullopt when the file cannot be
// opened or read to its end.
std::optional<std::vector<std::uint64_t>> PacketDigests(const std::string& path);

// text as one word of a POSIX shell command, whatever it holds.
std::string ShellWord(const std::string& text);

// The file's global tags as the ffprobe program reports them (show, season_number, title, ...);
// empty when it cannot read the file or is not installed.
std::map<std::string, std::string> ProbedTags(const std::string& path);

}  // namespace vexo::test_support
