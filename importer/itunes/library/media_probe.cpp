#include "importer/itunes/library/media_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "common/posix/unique_fd.h"

namespace itunes::library {
namespace {

// The name libavformat gives its one demuxer for the ISO base media family.
constexpr std::string_view kMovDemuxer = "mov,mp4,m4a,3gp,3g2,mj2";
// What the demuxer may read while it looks for what the header leaves out.
constexpr std::int64_t kProbeBytes = 64 * 1024;

void QuietLibav() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextCloser>;

// The buffer the demuxer reads the file through, as libavformat's own file reading has it.
constexpr int kReadBufferBytes = 32 * 1024;

// The file as the demuxer reads it: from an open descriptor, at positions of its own.
struct FileReader {
    int fd;
    std::int64_t position;
    std::int64_t size;

    static int Read(void* opaque, std::uint8_t* buffer, int size) {
        auto* reader = static_cast<FileReader*>(opaque);
        const ssize_t got =
            ::pread(reader->fd, buffer, static_cast<std::size_t>(size), reader->position);
        if (got <= 0) {
            return got == 0 ? AVERROR_EOF : AVERROR(errno);
        }
        reader->position += got;
        return static_cast<int>(got);
    }
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* reader = static_cast<FileReader*>(opaque);
        if ((whence & AVSEEK_SIZE) != 0) {
            return reader->size;
        }
        std::int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
            case SEEK_SET:
                break;
            case SEEK_CUR:
                base = reader->position;
                break;
            case SEEK_END:
                base = reader->size;
                break;
            default:
                return AVERROR(EINVAL);
        }
        // Nowhere before the start, and nowhere a position cannot say.
        if (offset < -base || offset > std::numeric_limits<std::int64_t>::max() - base) {
            return AVERROR(EINVAL);
        }
        reader->position = base + offset;
        return reader->position;
    }
};

// The context owns its buffer, which libavformat may have replaced by one of its own.
struct IoContextCloser {
    void operator()(AVIOContext* io) const {
        if (io != nullptr) {
            av_freep(&io->buffer);
        }
        avio_context_free(&io);
    }
};

struct CodecContextCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ParserCloser {
    void operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
};

ProbeResult Rejected(std::string reason) {
    return ProbeResult{std::nullopt, std::move(reason)};
}

std::uint32_t BigEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// Whether the file's first bytes are the header of a box that an MPEG-4 or QuickTime file starts
// with: a type of the family and a size a box can have (0: to the end of the file; 1: a 64-bit
// size follows). Nothing else reaches the mov demuxer, and no other demuxer ever reads the file.
bool StartsWithMovieBox(const unsigned char* header, std::size_t got) {
    static constexpr std::string_view kFirstBoxTypes[] = {"ftyp", "moov", "mdat", "free", "skip",
                                                          "wide", "pnot", "junk", "uuid", "pict"};
    if (got < 8) {
        return false;
    }
    const std::string_view type(reinterpret_cast<const char*>(header + 4), 4);
    if (std::find(std::begin(kFirstBoxTypes), std::end(kFirstBoxTypes), type) ==
        std::end(kFirstBoxTypes)) {
        return false;
    }
    const std::uint32_t size = BigEndian32(header);
    if (size == 1) {
        return got >= 16 && (BigEndian32(header + 8) != 0 || BigEndian32(header + 12) >= 16);
    }
    return size == 0 || size >= 8;
}

// The picture size as the codec's own configuration states it, read by the codec's parser
// alone: cheaper by far than the decoding that avformat_find_stream_info does. {0, 0} when the
// codec has no parser or its configuration does not say.
std::pair<int, int> SizeFromCodecConfiguration(const AVCodecParameters& parameters) {
    if (parameters.extradata == nullptr || parameters.extradata_size <= 0) {
        return {0, 0};
    }
    const std::unique_ptr<AVCodecParserContext, ParserCloser> parser(
        av_parser_init(parameters.codec_id));
    const std::unique_ptr<AVCodecContext, CodecContextCloser> codec(
        avcodec_alloc_context3(nullptr));
    if (parser == nullptr || codec == nullptr ||
        avcodec_parameters_to_context(codec.get(), &parameters) < 0) {
        return {0, 0};
    }
    // The configuration is whole: the parser is not to wait for the rest of a frame.
    parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
    std::uint8_t* frame = nullptr;
    int frameSize = 0;
    av_parser_parse2(parser.get(), codec.get(), &frame, &frameSize, parameters.extradata,
                     parameters.extradata_size, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    return {codec->width, codec->height};
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
    // Not blocking, so that a FIFO by the name is turned away rather than waited on.
    const common::posix::UniqueFd file(
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (!file.Valid()) {
        return Rejected(stat(path.c_str(), &info) != 0 ? "no such file"
                                                       : "not an MPEG-4 or QuickTime file");
    }
    if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Rejected("not a regular file");
    }
    if (info.st_size == 0) {
        return Rejected("empty file");
    }
    unsigned char header[16] = {};
    const ssize_t got = ::pread(file.Get(), header, sizeof header, 0);
    if (got <= 0 || !StartsWithMovieBox(header, static_cast<std::size_t>(got))) {
        return Rejected("not an MPEG-4 or QuickTime file");
    }

    // The demuxer reads the file opened above, through no protocol at all: a path never reaches
    // a network or pipe protocol, however it is spelled, and the file is opened once.
    FileReader reader{file.Get(), 0, static_cast<std::int64_t>(info.st_size)};
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBufferBytes));
    const std::unique_ptr<AVIOContext, IoContextCloser> io(
        buffer == nullptr ? nullptr
                          : avio_alloc_context(buffer, kReadBufferBytes, 0, &reader,
                                               &FileReader::Read, nullptr, &FileReader::Seek));
    if (io == nullptr) {
        av_free(buffer);
        return Rejected("out of memory");
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        return Rejected("out of memory");
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->probesize = kProbeBytes;
    raw->max_analyze_duration = AV_TIME_BASE;
    AVDictionary* options = nullptr;
    // Nothing the demuxer might open besides the file (another file a movie refers to) matches.
    av_dict_set(&options, "protocol_whitelist", "none", 0);
    const int opened = avformat_open_input(&raw, nullptr, av_find_input_format("mov"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        // avformat_open_input frees the context on failure; the reader is left to its owner.
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
        // Some sample descriptions leave the size to the codec's own headers (MPEG-4 part 2
        // among them): their parser reads it from the codec configuration, and where that
        // says nothing the decoder reads the first frames, within the probe's bounds.
        std::pair<int, int> size{stream->codecpar->width, stream->codecpar->height};
        if (size.first <= 0 || size.second <= 0) {
            size = SizeFromCodecConfiguration(*stream->codecpar);
        }
        if (size.first <= 0 || size.second <= 0) {
            if (avformat_find_stream_info(context.get(), nullptr) < 0 ||
                stream->codecpar->width <= 0 || stream->codecpar->height <= 0) {
                return Rejected("video stream without a picture size");
            }
            size = {stream->codecpar->width, stream->codecpar->height};
        }
        MediaInfo media;
        media.duration_ms = DurationMs(*context, *stream);
        media.width = size.first;
        media.height = size.second;
        media.codec = avcodec_get_name(stream->codecpar->codec_id);
        return ProbeResult{std::move(media), {}};
    }
    return Rejected("no video stream");
}

}  // namespace itunes::library
