#include "tools/vexo/library_listing.h"
#include "tools/vexo/printable.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace vexo::cli {
namespace {

using itunes::library::TrackRecord;

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF are not).
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const auto byte = static_cast<unsigned char>(c);
        std::size_t consumed = 1;
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\b':
                json += "\\b";
                break;
            case '\f':
                json += "\\f";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    char escaped[7];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    json += escaped;
                } else if (const std::size_t length = Utf8SequenceLength(text); length > 0) {
                    json += text.substr(0, length);
                    consumed = length;
                } else {
                    json += kReplacementCharacter;
                }
        }
        text.remove_prefix(consumed);
    }
    return json + "\"";
}

std::string TracksAsJson(std::span<const TrackRecord> tracks,
                         std::span<const std::string> fileTags) {
    if (tracks.empty()) {
        return "[]\n";
    }
    std::string json = "[\n";
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TrackRecord& t = tracks[i];
        json += "  {\"location\": " + JsonString(t.location) + ", \"name\": " + JsonString(t.name) +
                ", \"show\": " + JsonString(t.show) +
                ", \"season_number\": " + std::to_string(t.season_number) +
                ", \"episode_id\": " + JsonString(t.episode_id) +
                ", \"episode_number\": " + std::to_string(t.episode_number) +
                ", \"sort_name\": " + JsonString(t.sort_name) +
                ", \"video_kind\": " + std::to_string(t.video_kind) +
                ", \"duration_ms\": " + std::to_string(t.duration_ms) +
                ", \"width\": " + std::to_string(t.width) +
                ", \"height\": " + std::to_string(t.height) +
                ", \"codec\": " + JsonString(t.codec) +
                (i < fileTags.size() ? ", \"file_tags\": " + JsonString(fileTags[i]) : "") + "}";
        json += i + 1 < tracks.size() ? ",\n" : "\n";
    }
    return json + "]\n";
}

std::string TracksAsText(std::string_view playlist, std::span<const TrackRecord> tracks,
                         std::span<const std::string> fileTags) {
    std::string text;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const TrackRecord& t = tracks[i];
        text += std::to_string(i + 1) + ". " + Printable(t.location) + "\n";
        const std::pair<std::string_view, std::string> lines[] = {
            {"name", Printable(t.name)},
            {"show", Printable(t.show)},
            {"season_number", std::to_string(t.season_number)},
            {"episode_id", Printable(t.episode_id)},
            {"episode_number", std::to_string(t.episode_number)},
            {"sort_name", Printable(t.sort_name)},
            {"video_kind", std::to_string(t.video_kind)},
            {"duration_ms", std::to_string(t.duration_ms)},
            {"width", std::to_string(t.width)},
            {"height", std::to_string(t.height)},
            {"codec", Printable(t.codec)}};
        for (const auto& [key, value] : lines) {
            text += "   " + std::string(key) + ": " + value + "\n";
        }
        if (i < fileTags.size()) {
            text += "   file_tags: " + Printable(fileTags[i]) + "\n";
        }
    }
    text += std::to_string(tracks.size()) + (tracks.size() == 1 ? " track" : " tracks") + " in \"" +
            Printable(playlist) + "\"\n";
    return text;
}

std::string EpisodeTagsAsText(const itunes::library::mp4::EpisodeTags& tags) {
    std::string text;
    const auto line = [&text](std::string_view label, const auto& value, auto shown) {
        if (value) {
            text += "   " + std::string(label) + ": " + shown(*value) + "\n";
        }
    };
    const auto asText = [](const std::string& value) { return Printable(value); };
    const auto asNumber = [](auto value) { return std::to_string(value); };
    line("name (\\xA9nam)", tags.name, asText);
    line("show (tvsh)", tags.show, asText);
    line("season_number (tvsn)", tags.seasonNumber, asNumber);
    line("episode_id (tven)", tags.episodeId, asText);
    line("episode_number (tves)", tags.episodeNumber, asNumber);
    line("sort_name (sonm)", tags.sortName, asText);
    line("video_kind (stik)", tags.videoKind, asNumber);
    return text.empty() ? "   no episode labels\n" : text;
}

}  // namespace vexo::cli
