// The import: shows, seasons and episode files are walked level by level (WalkEpisodes), and
// every accepted file is added to the "Movies" playlist and labelled as a TV episode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "importer/episode_walk.h"
#include "importer/import_state.h"
#include "importer/import_view.h"

namespace importer {

// One accepted file, as the walk hands it to the labelling.
struct EpisodeToAdd {
    std::string root;
    FolderName show;
    FolderName seasonFolder;
    std::int32_t season = 0;
    std::string numberText;
    std::int32_t number = 0;
    std::string title;
    std::string extension;
    std::string fileNameOnDisk;
};

class EpisodeImport {
  public:
    EpisodeImport(ImportState& state, ImportView& view) : state_(state), view_(view) {}

    // Walks the show folders of root (no trailing separator), adding every episode, until
    // the walk ends or the import is stopped; then reports the count when root had at least
    // one subfolder.
    void ImportShows(std::string_view root);
    void AddAndLabelEpisode(const EpisodeToAdd& episode);

  private:
    void Label(itunes::Track& track, const EpisodeToAdd& episode);

    ImportState& state_;
    ImportView& view_;
};

}  // namespace importer
