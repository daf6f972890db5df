// What an import of a folder would do, without doing it: the import's own walk (WalkEpisodes),
// reporting every file it would hand to the labelling and every season folder and file it
// would pass over, with the reason.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "importer/episode_import.h"
#include "importer/episode_naming.h"
#include "importer/episode_walk.h"

namespace importer {

enum class PreviewKind {
    kEpisode,              // a file the import would add and label
    kSkippedSeasonFolder,  // a folder of a show without a usable season number
    kSkippedFile,          // a file of a season folder that is no episode
};

struct PreviewEntry {
    PreviewKind kind = PreviewKind::kEpisode;
    FolderName show;
    FolderName seasonFolder;
    std::int32_t season = 0;  // not set for a skipped season folder
    // The file's name as listed and as it stands on disk; empty for a skipped season folder.
    std::string fileName;
    std::string fileNameOnDisk;
    EpisodeName episode;                        // for kEpisode
    SkipReason reason = SkipReason::kNoNumber;  // for the two kinds of skip
};

struct PreviewTotals {
    // The import reports its count only when the root has at least one subfolder.
    bool rootHasSubfolders = false;
    std::int32_t episodes = 0;
    std::int32_t skippedSeasonFolders = 0;
    std::int32_t skippedFiles = 0;
};

using PreviewSink = std::function<void(const PreviewEntry&)>;

// Walks root (no trailing separator) as ImportShows would, in the listing's order, handing
// every entry to sink as it is met.
PreviewTotals PreviewImport(std::string_view root, const PreviewSink& sink);

}  // namespace importer
