// The three-level walk of an import's folder: show folders, their season folders and the files
// of those, in the listing's order, with the naming rules deciding what is a season and what is
// an episode. The import and its dry run walk through this one function, so that the dry run
// names exactly what the import would do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "importer/episode_naming.h"

namespace importer {

// A folder as the walk knows it: its name through the listing's trimming, and its name as it
// stands on disk, which child paths are built from.
struct FolderName {
    std::string name;
    std::string onDisk;
};

// A file of a season folder, as listed, with where the walk found it.
struct SeasonFile {
    FolderName show;
    FolderName seasonFolder;
    std::int32_t season = 0;
    std::string name;
    std::string onDisk;
};

// Told of everything the walk meets. Each level runs the same loop: ask KeepWalking, leave the
// level when it says no, else handle the entry and call Stepped; so once it says no, every level
// still open leaves at its next check.
class EpisodeWalkVisitor {
  public:
    virtual ~EpisodeWalkVisitor() = default;

    // Asked before every show folder, season folder and file.
    virtual bool KeepWalking() { return true; }
    // After every show folder, season folder and file, whatever became of it.
    virtual void Stepped() {}

    // A show folder, before its season folders are walked.
    virtual void Show(const FolderName& /*show*/) {}
    // A season folder with its season number, before its files are walked.
    virtual void Season(const FolderName& /*show*/, const FolderName& /*seasonFolder*/,
                        std::int32_t /*season*/) {}
    virtual void SkippedSeasonFolder(const FolderName& /*show*/, const FolderName& /*seasonFolder*/,
                                     SkipReason /*reason*/) {}
    virtual void Episode(const SeasonFile& /*file*/, const EpisodeName& /*episode*/) {}
    virtual void SkippedFile(const SeasonFile& /*file*/, SkipReason /*reason*/) {}
};

// Walks the show folders of root (no trailing separator). False when root has no subfolder at
// all, and so nothing was walked.
bool WalkEpisodes(std::string_view root, EpisodeWalkVisitor& visitor);

}  // namespace importer
