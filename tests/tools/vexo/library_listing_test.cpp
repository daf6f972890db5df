#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tools/vexo/library_listing.h"

namespace vexo::cli::test {
namespace {

struct EscapeCase {
    std::string text;
    std::string json;

    // The escaped form names the case readably, whatever bytes the text holds.
    friend void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.json; }
};

class JsonStringTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(JsonStringTest, EscapesToValidJson) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    testing::Values(
        EscapeCase{"", "\"\""}, EscapeCase{"plain / text", "\"plain / text\""},
        EscapeCase{"\"\\", "\"\\\"\\\\\""}, EscapeCase{"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        EscapeCase{std::string("a\0b", 3), "\"a\\u0000b\""},
        EscapeCase{"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
        // Well-formed UTF-8 passes unchanged, up to four bytes.
        EscapeCase{"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC",
                   "\"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC\""},
        // Bytes that are not UTF-8 each become U+FFFD: a stray continuation, a
        // cut-off sequence, an overlong form, a surrogate, a code point too high.
        EscapeCase{"\x80", "\"\xEF\xBF\xBD\""}, EscapeCase{"a\xC3", "\"a\xEF\xBF\xBD\""},
        EscapeCase{"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        EscapeCase{"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        EscapeCase{"\xF4\x90\x80\x80x", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx\""},
        EscapeCase{"\xE2\x82\"", "\"\xEF\xBF\xBD\xEF\xBF\xBD\\\"\""}));

TEST(TracksAsJsonTest, WritesEveryKeyInOrderWithNumbersUnquoted) {
    itunes::library::TrackRecord track;
    track.location = "/tv/Show/Season 1/1 Pilot.m4v";
    track.name = "Pilot";
    track.show = "Show";
    track.season_number = 1;
    track.episode_id = "S01E01";
    track.episode_number = -2147483647 - 1;
    track.sort_name = "Pilot";
    track.video_kind = 3;
    track.duration_ms = 4'000'000'000;
    track.width = 640;
    track.height = 480;
    track.codec = "h264";
    const itunes::library::TrackRecord tracks[] = {track};
    EXPECT_EQ(TracksAsJson(tracks),
              "[\n  {\"location\": \"/tv/Show/Season 1/1 Pilot.m4v\", \"name\": \"Pilot\", "
              "\"show\": \"Show\", \"season_number\": 1, \"episode_id\": \"S01E01\", "
              "\"episode_number\": -2147483648, \"sort_name\": \"Pilot\", \"video_kind\": 3, "
              "\"duration_ms\": 4000000000, \"width\": 640, \"height\": 480, "
              "\"codec\": \"h264\"}\n]\n");
}

}  // namespace
}  // namespace vexo::cli::test
