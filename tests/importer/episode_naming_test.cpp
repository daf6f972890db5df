#include "importer/episode_naming.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace importer::test {
namespace {

struct SeasonCase {
    std::string folder;
    std::variant<std::int32_t, SkipReason> expected;
};

class SeasonNumberTest : public testing::TestWithParam<SeasonCase> {};

TEST_P(SeasonNumberTest, ReadsTheSeasonFromTheFolderName) {
    EXPECT_EQ(SeasonNumber(GetParam().folder), GetParam().expected) << GetParam().folder;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SeasonNumberTest,
    testing::Values(
        SeasonCase{"1", 1}, SeasonCase{"01", 1}, SeasonCase{"Season 1", 1},
        SeasonCase{"Season 01", 1}, SeasonCase{"2 (2006)", 2}, SeasonCase{"Season 1 2", 12},
        SeasonCase{"Disc 2 Season 3", 2}, SeasonCase{"1.5", 2}, SeasonCase{"2.5", 2},
        SeasonCase{"Season 2.5", 2}, SeasonCase{"Season1", SkipReason::kNoNumber},
        SeasonCase{"S01", SkipReason::kNoNumber}, SeasonCase{"Specials", SkipReason::kNoNumber},
        SeasonCase{"Season 0", SkipReason::kNoNumber}, SeasonCase{"0", SkipReason::kNoNumber},
        SeasonCase{"0.5", SkipReason::kNoNumber}, SeasonCase{"Season -3", SkipReason::kNoNumber},
        SeasonCase{"", SkipReason::kNoNumber}, SeasonCase{"2147483647", 2147483647},
        SeasonCase{"2147483648", SkipReason::kNumberOutOfRange},
        SeasonCase{"Season 99999999999", SkipReason::kNumberOutOfRange},
        SeasonCase{"1e999", SkipReason::kNumberOutOfRange}));

struct FileCase {
    std::string file;
    std::variant<EpisodeName, SkipReason> expected;
};

class EpisodeFileNameTest : public testing::TestWithParam<FileCase> {};

TEST_P(EpisodeFileNameTest, SplitsNumberTitleAndExtension) {
    EXPECT_EQ(ParseEpisodeFileName(GetParam().file), GetParam().expected) << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, EpisodeFileNameTest,
    testing::Values(FileCase{"01 Pilot.m4v", EpisodeName{"01", 1, "Pilot", ".M4V"}},
                    FileCase{"7 A Title.Mp4", EpisodeName{"7", 7, "A Title", ".MP4"}},
                    FileCase{"12 The Big Game.MOV", EpisodeName{"12", 12, "The Big Game", ".MOV"}},
                    FileCase{"1x03 Third.mp4", EpisodeName{"1x03", 1, "Third", ".MP4"}},
                    FileCase{"01 - Pilot.m4v", EpisodeName{"01", 1, "- Pilot", ".M4V"}},
                    FileCase{"01 .m4v", EpisodeName{"01", 1, "", ".M4V"}},
                    FileCase{"01   Pilot.m4v", EpisodeName{"01", 1, "Pilot", ".M4V"}},
                    FileCase{"01 Pilot .m4v", EpisodeName{"01", 1, "Pilot ", ".M4V"}},
                    FileCase{"01 Pilot.m4v  ", EpisodeName{"01", 1, "Pilot", ".M4V"}},
                    FileCase{"0.5 Pilot.m4v", EpisodeName{"0.5", 0, "Pilot", ".M4V"}},
                    FileCase{"2.5 Half.mov", EpisodeName{"2.5", 2, "Half", ".MOV"}},
                    FileCase{"01 m4v", SkipReason::kWrongExtension},
                    FileCase{"12 Part.avi", SkipReason::kWrongExtension},
                    FileCase{"12 Part.mp4.txt", SkipReason::kWrongExtension},
                    FileCase{"Pilot.m4v", SkipReason::kNoNumber},
                    FileCase{"0 Zero.m4v", SkipReason::kNoNumber},
                    FileCase{"-1 Minus.m4v", SkipReason::kNoNumber},
                    FileCase{"01.m4v", SkipReason::kNoBlank},
                    FileCase{"99999999999 Big.mp4", SkipReason::kNumberOutOfRange},
                    FileCase{"1e999 Huge.mp4", SkipReason::kNumberOutOfRange}));

}  // namespace
}  // namespace importer::test
