// Pairs of episode files whose paths differ only in the case of letters or in a blank at the
// end of the file's name: one file where the file system ignores those, two where a name is its
// bytes (Linux), and then an import must make them two tracks, each labelled from its own names.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace importer::test {

// An episode file below the chosen folder, with the labels its names give it.
struct EpisodeFile {
    std::string relative;
    std::string show;
    std::int32_t season = 0;
    std::int32_t episode = 0;
    std::string title;
};

struct CollidingPair {
    std::string name;
    EpisodeFile first;
    EpisodeFile second;

    friend void PrintTo(const CollidingPair& pair, std::ostream* os) { *os << pair.name; }
};

inline const std::vector<CollidingPair> kCollidingPairs = {
    {"ShowFolderCase",
     {"Show/Season 1/01 Pilot.mp4", "Show", 1, 1, "Pilot"},
     {"show/Season 1/01 Pilot.mp4", "show", 1, 1, "Pilot"}},
    {"FileNameCase",
     {"Show/Season 1/02 Same.mp4", "Show", 1, 2, "Same"},
     {"Show/Season 1/02 SAME.mp4", "Show", 1, 2, "SAME"}},
    {"FileNameTrailingBlank",
     {"Show/Season 1/03 Pilot.mp4", "Show", 1, 3, "Pilot"},
     {"Show/Season 1/03 Pilot.mp4 ", "Show", 1, 3, "Pilot"}},
    {"ExtensionCase",
     {"Show/Season 2/04 Four.m4v", "Show", 2, 4, "Four"},
     {"Show/Season 2/04 Four.M4V", "Show", 2, 4, "Four"}},
};

}  // namespace importer::test
