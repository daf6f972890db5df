// Small real media files for tests, benchmarks and fuzz seeds: a few frames of video encoded
// with FFmpeg's own MPEG-4 part 2 encoder and muxed with libavformat, an audio-only file, and
// cut-off copies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexo::testmedia {

enum class Container { kMp4, kM4v, kMov };

struct ClipSpec {
    int width = 64;
    int height = 48;
    int frames = 5;
    int frameRate = 25;
    // Header (moov) before the samples, as streaming files have it; otherwise after them.
    bool headerFirst = false;
};

// ".mp4", ".m4v" or ".mov".
std::string_view Extension(Container container);

// Writes a video-only clip; false on any failure (a partial file may be left).
bool WriteVideoClip(const std::string& path, Container container, const ClipSpec& spec = {});

// Writes an MPEG-4 audio file (AAC, a fraction of a second of tone, no video): the kind of
// file a music library holds and a video library must not take.
bool WriteAudioOnlyClip(const std::string& path);

// As WriteAudioOnlyClip, with a picture attached as cover art: a video stream in the file's
// tables that is no video.
bool WriteAudioWithCoverArt(const std::string& path);

// Copies the first keepBytes bytes of source to target.
bool WriteTruncatedCopy(const std::string& source, const std::string& target,
                        std::uint64_t keepBytes);

}  // namespace vexo::testmedia
