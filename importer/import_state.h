// The state an import shares between the main window's handlers, the folder walk and the
// labelling.
#pragma once

#include <cstdint>

#include "importer/application_info.h"
#include "importer/itunes/itunes.h"

namespace importer {

struct ImportState {
    // True while no import runs, or once a cancel was confirmed; every loop of the walk and of
    // the labelling checks it.
    bool ImportStopped = true;
    // Files labelled in the current import.
    std::int32_t FilesAdded = 0;
    // Replaced at the start of every import and kept after it.
    itunes::Ref<itunes::Application> iTunesApp;
    itunes::Ref<itunes::Playlist> MoviesPlaylist;
};

}  // namespace importer
