#include "tests/support/media_packets.h"

#include "tests/support/files.h"
#include "tests/support/x_tools.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>

namespace vexo::test_support {
namespace {

struct InputClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// FNV-1a, 64-bit: enough to tell packets apart in a test.
class Digest {
  public:
    void Add(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            value_ = (value_ ^ bytes[i]) * 0x100000001B3ULL;
        }
    }
    template <typename T>
    void Add(const T& field) {
        Add(&field, sizeof field);
    }
    std::uint64_t Value() const { return value_; }

  private:
    std::uint64_t value_ = 0xCBF29CE484222325ULL;
};

}  // namespace

std::optional<std::vector<std::uint64_t>> PacketDigests(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    const std::unique_ptr<AVFormatContext, InputClose> input(raw);
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (packet == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> digests;
    for (int read; (read = av_read_frame(input.get(), packet.get())) != AVERROR_EOF;) {
        if (read < 0) {
            return std::nullopt;
        }
        Digest digest;
        digest.Add(packet->stream_index);
        digest.Add(packet->pts);
        digest.Add(packet->dts);
        digest.Add(packet->flags);
        digest.Add(packet->data, static_cast<std::size_t>(packet->size));
        digests.push_back(digest.Value());
        av_packet_unref(packet.get());
    }
    return digests;
}

std::string ShellWord(const std::string& text) {
    std::string word = "'";
    for (const char c : text) {
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return word + "'";
}

std::map<std::string, std::string> ProbedTags(const std::string& path) {
    const std::string prefix = "format.tags.";
    std::map<std::string, std::string> tags;
    const std::string output =
        ToolOutput("ffprobe -v error -show_entries format_tags -of flat " + ShellWord(path));
    for (const std::string& line : Lines(output)) {
        const std::size_t equals = line.find('=');
        if (line.rfind(prefix, 0) == 0 && equals != std::string::npos && line.size() > equals + 2) {
            tags[line.substr(prefix.size(), equals - prefix.size())] =
                line.substr(equals + 2, line.size() - equals - 3);
        }
    }
    return tags;
}

}  // namespace vexo::test_support
