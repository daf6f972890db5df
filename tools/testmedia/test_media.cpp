#include "tools/testmedia/test_media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

namespace vexo::testmedia {
namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
// Closes the output file (when opened) and frees the muxer.
struct OutputFree {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Output = std::unique_ptr<AVFormatContext, OutputFree>;

// Opens the muxer and its file, with one stream carrying the encoder's parameters and, when
// coverArt is given, a second one for the attached picture it encodes.
Output OpenOutput(const std::string& path, const char* formatName, AVCodecContext* encoder,
                  bool headerFirst, AVCodecContext* coverArt = nullptr) {
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, formatName, path.c_str()) < 0) {
        return nullptr;
    }
    Output output(raw);
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (stream == nullptr || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) {
        return nullptr;
    }
    stream->time_base = encoder->time_base;
    if (coverArt != nullptr) {
        AVStream* cover = avformat_new_stream(output.get(), nullptr);
        if (cover == nullptr || avcodec_parameters_from_context(cover->codecpar, coverArt) < 0) {
            return nullptr;
        }
        cover->disposition = AV_DISPOSITION_ATTACHED_PIC;
        cover->time_base = AVRational{1, 90000};
    }
    if (avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        return nullptr;
    }
    AVDictionary* options = nullptr;
    if (headerFirst) {
        av_dict_set(&options, "movflags", "faststart", 0);
    }
    const int written = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (written < 0) {
        return nullptr;
    }
    return output;
}

// Sends one frame (null: end of stream) and writes every packet the encoder gives back.
bool EncodeAndWrite(AVCodecContext* encoder, AVFrame* frame, AVFormatContext* output) {
    if (avcodec_send_frame(encoder, frame) < 0) {
        return false;
    }
    Packet packet(av_packet_alloc());
    if (packet == nullptr) {
        return false;
    }
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return true;
        }
        if (received < 0) {
            return false;
        }
        av_packet_rescale_ts(packet.get(), encoder->time_base, output->streams[0]->time_base);
        packet->stream_index = 0;
        if (av_interleaved_write_frame(output, packet.get()) < 0) {
            return false;
        }
    }
}

// A frame of the encoder's picture size and format, with its buffers; null on failure.
Frame PictureFrame(const AVCodecContext& encoder) {
    Frame frame(av_frame_alloc());
    if (frame == nullptr) {
        return nullptr;
    }
    frame->format = encoder.pix_fmt;
    frame->width = encoder.width;
    frame->height = encoder.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        return nullptr;
    }
    return frame;
}

CodecContext OpenEncoder(AVCodecID id, void (*configure)(AVCodecContext*, const void*),
                         const void* data) {
    const AVCodec* codec = avcodec_find_encoder(id);
    if (codec == nullptr) {
        return nullptr;
    }
    CodecContext encoder(avcodec_alloc_context3(codec));
    if (encoder == nullptr) {
        return nullptr;
    }
    configure(encoder.get(), data);
    // Both muxers used here want the codec's headers out of band.
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return encoder;
}

const char* MuxerName(Container container) {
    return container == Container::kMov ? "mov" : "mp4";
}

}  // namespace

std::string_view Extension(Container container) {
    switch (container) {
        case Container::kMp4:
            return ".mp4";
        case Container::kM4v:
            return ".m4v";
        case Container::kMov:
            return ".mov";
    }
    return ".mp4";
}

bool WriteVideoClip(const std::string& path, Container container, const ClipSpec& spec) {
    av_log_set_level(AV_LOG_QUIET);
    CodecContext encoder = OpenEncoder(
        AV_CODEC_ID_MPEG4,
        [](AVCodecContext* context, const void* data) {
            const auto& clip = *static_cast<const ClipSpec*>(data);
            context->width = clip.width;
            context->height = clip.height;
            context->time_base = AVRational{1, clip.frameRate};
            context->framerate = AVRational{clip.frameRate, 1};
            context->pix_fmt = AV_PIX_FMT_YUV420P;
            context->gop_size = 12;
            context->max_b_frames = 0;
        },
        &spec);
    if (encoder == nullptr) {
        return false;
    }
    Output output = OpenOutput(path, MuxerName(container), encoder.get(), spec.headerFirst);
    Frame frame = PictureFrame(*encoder);
    if (output == nullptr || frame == nullptr) {
        return false;
    }
    for (int index = 0; index < spec.frames; ++index) {
        if (av_frame_make_writable(frame.get()) < 0) {
            return false;
        }
        // A moving gradient, so that frames differ.
        for (int y = 0; y < spec.height; ++y) {
            for (int x = 0; x < spec.width; ++x) {
                frame->data[0][y * frame->linesize[0] + x] =
                    static_cast<std::uint8_t>(x + y + index * 3);
            }
        }
        for (int y = 0; y < spec.height / 2; ++y) {
            for (int x = 0; x < spec.width / 2; ++x) {
                frame->data[1][y * frame->linesize[1] + x] = static_cast<std::uint8_t>(128 + y);
                frame->data[2][y * frame->linesize[2] + x] =
                    static_cast<std::uint8_t>(64 + x + index * 2);
            }
        }
        frame->pts = index;
        if (!EncodeAndWrite(encoder.get(), frame.get(), output.get())) {
            return false;
        }
    }
    return EncodeAndWrite(encoder.get(), nullptr, output.get()) &&
           av_write_trailer(output.get()) >= 0;
}

// A small PNG picture, written as the attached picture of stream 1.
bool WriteCoverArt(AVCodecContext* encoder, AVFormatContext* output) {
    Frame frame = PictureFrame(*encoder);
    Packet packet(av_packet_alloc());
    if (frame == nullptr || packet == nullptr) {
        return false;
    }
    for (int y = 0; y < frame->height; ++y) {
        for (int x = 0; x < frame->width * 3; ++x) {
            frame->data[0][y * frame->linesize[0] + x] = static_cast<std::uint8_t>(x * 5 + y);
        }
    }
    frame->pts = 0;
    if (avcodec_send_frame(encoder, frame.get()) < 0 ||
        avcodec_receive_packet(encoder, packet.get()) < 0) {
        return false;
    }
    packet->stream_index = 1;
    packet->pts = 0;
    packet->dts = 0;
    packet->flags |= AV_PKT_FLAG_KEY;
    return av_interleaved_write_frame(output, packet.get()) >= 0;
}

bool WriteAudio(const std::string& path, bool withCoverArt) {
    av_log_set_level(AV_LOG_QUIET);
    constexpr int kSampleRate = 44100;
    CodecContext encoder = OpenEncoder(
        AV_CODEC_ID_AAC,
        [](AVCodecContext* context, const void*) {
            context->sample_fmt = AV_SAMPLE_FMT_FLTP;
            context->sample_rate = kSampleRate;
            context->bit_rate = 64000;
            context->time_base = AVRational{1, kSampleRate};
            av_channel_layout_default(&context->ch_layout, 1);
        },
        nullptr);
    if (encoder == nullptr) {
        return false;
    }
    CodecContext cover;
    if (withCoverArt) {
        cover = OpenEncoder(
            AV_CODEC_ID_PNG,
            [](AVCodecContext* context, const void*) {
                context->width = 16;
                context->height = 16;
                context->pix_fmt = AV_PIX_FMT_RGB24;
                context->time_base = AVRational{1, 25};
            },
            nullptr);
        if (cover == nullptr) {
            return false;
        }
    }
    Output output = OpenOutput(path, "mp4", encoder.get(), false, cover.get());
    if (output != nullptr && cover != nullptr && !WriteCoverArt(cover.get(), output.get())) {
        return false;
    }
    Frame frame(av_frame_alloc());
    if (output == nullptr || frame == nullptr) {
        return false;
    }
    frame->format = encoder->sample_fmt;
    frame->sample_rate = encoder->sample_rate;
    frame->nb_samples = encoder->frame_size > 0 ? encoder->frame_size : 1024;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0) {
        return false;
    }
    std::int64_t sample = 0;
    for (int index = 0; index < 10; ++index) {
        if (av_frame_make_writable(frame.get()) < 0) {
            return false;
        }
        auto* samples = reinterpret_cast<float*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples; ++i) {
            samples[i] =
                static_cast<float>(0.3 * std::sin(2.0 * 3.14159265358979 * 440.0 *
                                                  static_cast<double>(sample + i) / kSampleRate));
        }
        frame->pts = sample;
        sample += frame->nb_samples;
        if (!EncodeAndWrite(encoder.get(), frame.get(), output.get())) {
            return false;
        }
    }
    return EncodeAndWrite(encoder.get(), nullptr, output.get()) &&
           av_write_trailer(output.get()) >= 0;
}

bool WriteAudioOnlyClip(const std::string& path) {
    return WriteAudio(path, false);
}

bool WriteAudioWithCoverArt(const std::string& path) {
    return WriteAudio(path, true);
}

bool WriteTruncatedCopy(const std::string& source, const std::string& target,
                        std::uint64_t keepBytes) {
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<char> bytes(keepBytes);
    in.read(bytes.data(), static_cast<std::streamsize>(keepBytes));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace vexo::testmedia
