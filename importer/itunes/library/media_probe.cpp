#include "importer/itunes/library/media_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace itunes::library {
namespace {

// The name libavformat gives its one demuxer for the ISO base media family.
constexpr std::string_view kMovDemuxer = "mov,mp4,m4a,3gp,3g2,mj2";
// Enough of the file's start to recognise its boxes.
constexpr std::size_t kProbeBytes = 64 * 1024;

void QuietLibav() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextCloser>;

ProbeResult Rejected(std::string reason) {
    return ProbeResult{std::nullopt, std::move(reason)};
}

// Recognises the format from the first bytes alone, so that no other demuxer ever reads the
// file: only the mov demuxer is let at it afterwards.
bool LooksLikeMovFamily(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<unsigned char> buffer(kProbeBytes + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(kProbeBytes));
    const auto got = static_cast<int>(in.gcount());
    if (got <= 0) {
        return false;
    }
    AVProbeData probe{};
    probe.filename = "";
    probe.buf = buffer.data();
    probe.buf_size = got;
    int score = 0;
    const AVInputFormat* format = av_probe_input_format2(&probe, 1, &score);
    return format != nullptr && format->name != nullptr && kMovDemuxer == format->name;
}

// A cut-off file still has its sample table when the header came first; its last samples then
// point past the end of the file.
bool SamplesInsideFile(AVStream* stream, std::int64_t fileSize) {
    const int count = avformat_index_get_entries_count(stream);
    if (count <= 0) {
        return false;
    }
    const AVIndexEntry* last = avformat_index_get_entry(stream, count - 1);
    return last != nullptr && last->pos >= 0 && last->pos + last->size <= fileSize;
}

std::int64_t DurationMs(const AVFormatContext& context, const AVStream& stream) {
    if (context.duration != AV_NOPTS_VALUE && context.duration > 0) {
        return context.duration / (AV_TIME_BASE / 1000);
    }
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        return av_rescale_q(stream.duration, stream.time_base, AVRational{1, 1000});
    }
    return 0;
}

}  // namespace

ProbeResult ProbeMedia(const std::string& path) {
    QuietLibav();
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return Rejected("no such file");
    }
    if (!S_ISREG(info.st_mode)) {
        return Rejected("not a regular file");
    }
    if (info.st_size == 0) {
        return Rejected("empty file");
    }
    if (!LooksLikeMovFamily(path)) {
        return Rejected("not an MPEG-4 or QuickTime file");
    }

    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        return Rejected("out of memory");
    }
    raw->probesize = static_cast<std::int64_t>(kProbeBytes);
    raw->max_analyze_duration = AV_TIME_BASE;
    AVDictionary* options = nullptr;
    // Only the local file: a path must never reach a network or pipe protocol.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The "file:" scheme keeps a name holding a colon from being read as another protocol.
    const std::string url = "file:" + path;
    const int opened =
        avformat_open_input(&raw, url.c_str(), av_find_input_format("mov"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        // avformat_open_input frees the context on failure.
        return Rejected("unreadable or truncated MPEG-4 file");
    }
    FormatContext context(raw);
    if (context->iformat == nullptr || kMovDemuxer != context->iformat->name) {
        return Rejected("not an MPEG-4 or QuickTime file");
    }

    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO ||
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
            continue;
        }
        if (!SamplesInsideFile(stream, static_cast<std::int64_t>(info.st_size))) {
            return Rejected("truncated file: video samples missing");
        }
        if (stream->codecpar->width <= 0 || stream->codecpar->height <= 0) {
            // Some sample descriptions leave the size to the codec's own headers: let the
            // decoder read them, within the probe's bounds.
            if (avformat_find_stream_info(context.get(), nullptr) < 0 ||
                stream->codecpar->width <= 0 || stream->codecpar->height <= 0) {
                return Rejected("video stream without a picture size");
            }
        }
        MediaInfo media;
        media.duration_ms = DurationMs(*context, *stream);
        media.width = stream->codecpar->width;
        media.height = stream->codecpar->height;
        media.codec = avcodec_get_name(stream->codecpar->codec_id);
        return ProbeResult{std::move(media), {}};
    }
    return Rejected("no video stream");
}

}  // namespace itunes::library
