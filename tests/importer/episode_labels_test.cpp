#include "importer/episode_labels.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "importer/files/path.h"

namespace importer::test {
namespace {

TEST(SortName, ZeroFillsToThreeDigits) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {1, "001"},
        {7, "007"},
        {12, "012"},
        {123, "123"},
        {1234, "1234"},
        {0, "000"},
        {-5, "-005"},
        {-1234, "-1234"},
        {std::numeric_limits<std::int32_t>::max(), "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"}};
    for (const auto& [number, text] : cases) {
        EXPECT_EQ(SortName(number), text) << number;
    }
}

TEST(LocationKey, TrimsBlanksAndUpperCasesWhereNamesIgnoreThem) {
    constexpr auto rule = basFiles::FileNameRule::kTrimmedUpperCase;
    const std::pair<std::string, std::string> cases[] = {
        {"/tv/The Show/Season 1/01 Pilot.m4v", "/TV/THE SHOW/SEASON 1/01 PILOT.M4V"},
        {"  /tv/a.mp4  ", "/TV/A.MP4"},
        {"\t/tv/a.mp4", "\t/TV/A.MP4"},  // only blanks are trimmed
        {"/tv/01   Pilot.m4v", "/TV/01   PILOT.M4V"},
        {"/tv/Caf\xc3\xa9.mp4", "/TV/CAF\xc3\xa9.MP4"},
        {"", ""}};
    for (const auto& [location, key] : cases) {
        EXPECT_EQ(LocationKey(location, rule), key) << location;
        EXPECT_TRUE(HasLocationKey(location, key, rule)) << location;
        // One character more, less or different is another location.
        EXPECT_FALSE(HasLocationKey(location + "x", key, rule)) << location;
        EXPECT_FALSE(HasLocationKey(location, key + "X", rule)) << location;
        if (!key.empty()) {
            EXPECT_FALSE(HasLocationKey(location, key.substr(0, key.size() - 1) + "?", rule))
                << location;
        }
    }
    // A lower-case key never matches: keys are upper-cased.
    EXPECT_FALSE(HasLocationKey("/tv/a.mp4", "/tv/a.mp4", rule));
}

TEST(LocationKey, IsThePathItselfWhereNamesAreBytes) {
    constexpr auto rule = basFiles::FileNameRule::kExact;
    const std::string path = "/tv/Show/Season 1/01 Pilot.mp4";
    EXPECT_EQ(LocationKey(" " + path + " ", rule), " " + path + " ");
    EXPECT_TRUE(HasLocationKey(path, LocationKey(path, rule), rule));
    for (const std::string other :
         {"/tv/show/Season 1/01 Pilot.mp4", "/TV/SHOW/SEASON 1/01 PILOT.MP4",
          "/tv/Show/Season 1/01 Pilot.mp4 ", " /tv/Show/Season 1/01 Pilot.mp4",
          "/tv/Show/Season 1 /01 Pilot.mp4", "/tv/Show/Season 1/01 Pilot.mp"}) {
        EXPECT_FALSE(HasLocationKey(other, LocationKey(path, rule), rule)) << other;
        EXPECT_FALSE(HasLocationKey(path, LocationKey(other, rule), rule)) << other;
    }
}

TEST(EpisodePath, KeepsTheFileNameAsItIsOnDisk) {
    const std::string s(basFiles::kPathSeparator);
    EXPECT_EQ(EpisodePath(s + "tv", "The Show", "Season 1", "01   Pilot .m4v"),
              s + "tv" + s + "The Show" + s + "Season 1" + s + "01   Pilot .m4v");
    // a root that already ends in the separator gains no second one
    EXPECT_EQ(EpisodePath(s, "Show", "1", "01 A.mp4"), s + "Show" + s + "1" + s + "01 A.mp4");
}

}  // namespace
}  // namespace importer::test
