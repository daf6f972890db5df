#include "importer/episode_walk.h"

#include <variant>

#include "importer/files/listing.h"
#include "importer/files/path.h"
#include "importer/files/text.h"

namespace importer {
namespace {

using basFiles::ListingGuard;
using basFiles::ListingHandle;

std::string ChildPath(std::string_view folder, std::string_view child) {
    return basFiles::AddTrailing(folder, basFiles::kPathSeparator) + std::string(child);
}

// One walk; each level's listing is open only while that level runs.
class Walk {
  public:
    Walk(std::string_view root, EpisodeWalkVisitor& visitor) : root_(root), visitor_(visitor) {}

    bool Shows() {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        FolderName show;
        if (!basFiles::GetFirstFolder(root_, handle, show.name, &show.onDisk)) {
            return false;
        }
        do {
            if (!visitor_.KeepWalking()) {
                break;
            }
            visitor_.Show(show);
            Seasons(show);
            visitor_.Stepped();
        } while (basFiles::GetNextFolder(handle, show.name, &show.onDisk));
        return true;
    }

  private:
    void Seasons(const FolderName& show) {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        FolderName folder;
        if (!basFiles::GetFirstFolder(ChildPath(root_, show.onDisk), handle, folder.name,
                                      &folder.onDisk)) {
            return;
        }
        do {
            if (!visitor_.KeepWalking()) {
                break;
            }
            const auto number = SeasonNumber(folder.name);
            if (const auto* season = std::get_if<std::int32_t>(&number)) {
                visitor_.Season(show, folder, *season);
                Episodes(show, folder, *season);
            } else {
                visitor_.SkippedSeasonFolder(show, folder, std::get<SkipReason>(number));
            }
            visitor_.Stepped();
        } while (basFiles::GetNextFolder(handle, folder.name, &folder.onDisk));
    }

    void Episodes(const FolderName& show, const FolderName& seasonFolder, std::int32_t season) {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        SeasonFile file{show, seasonFolder, season, {}, {}};
        if (!basFiles::GetFirstFile(ChildPath(ChildPath(root_, show.onDisk), seasonFolder.onDisk),
                                    handle, file.name, &file.onDisk)) {
            return;
        }
        do {
            if (!visitor_.KeepWalking()) {
                break;
            }
            const auto parsed = ParseEpisodeFileName(file.name);
            if (const auto* episode = std::get_if<EpisodeName>(&parsed)) {
                visitor_.Episode(file, *episode);
            } else {
                visitor_.SkippedFile(file, std::get<SkipReason>(parsed));
            }
            visitor_.Stepped();
        } while (basFiles::GetNextFile(handle, file.name, &file.onDisk));
    }

    std::string_view root_;
    EpisodeWalkVisitor& visitor_;
};

}  // namespace

bool WalkEpisodes(std::string_view root, EpisodeWalkVisitor& visitor) {
    return Walk(root, visitor).Shows();
}

}  // namespace importer
