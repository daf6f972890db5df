// Decides whether a file is media the library takes: an MPEG-4 / QuickTime file, recognised
// from its own boxes, with at least one video stream.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace itunes::library {

struct MediaInfo {
    std::int64_t duration_ms = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string codec;  // short codec name of the first video stream
};

struct ProbeResult {
    std::optional<MediaInfo> media;  // set when the file is accepted
    std::string reason;              // why it was rejected; empty when accepted
};

// Reads the headers and sample tables (and, when the size is only in the codec's headers, the
// codec configuration, or failing that the first packets, within fixed bounds); safe on
// arbitrary bytes.
ProbeResult ProbeMedia(const std::string& path);

}  // namespace itunes::library
