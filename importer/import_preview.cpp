#include "importer/import_preview.h"

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

// One walk; the levels share the sink and the totals.
class Preview {
  public:
    Preview(std::string_view root, const PreviewSink& sink) : root_(root), sink_(sink) {}

    PreviewTotals Shows() {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        FolderName show;
        if (!basFiles::GetFirstFolder(root_, handle, show.name, &show.onDisk)) {
            return totals_;
        }
        totals_.rootHasSubfolders = true;
        do {
            Seasons(show);
        } while (basFiles::GetNextFolder(handle, show.name, &show.onDisk));
        return totals_;
    }

  private:
    void Seasons(const FolderName& show) {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        PreviewEntry entry;
        entry.show = show;
        if (!basFiles::GetFirstFolder(ChildPath(root_, show.onDisk), handle,
                                      entry.seasonFolder.name, &entry.seasonFolder.onDisk)) {
            return;
        }
        do {
            const auto number = SeasonNumber(entry.seasonFolder.name);
            if (const auto* season = std::get_if<std::int32_t>(&number)) {
                entry.season = *season;
                Episodes(entry);
            } else {
                entry.kind = PreviewKind::kSkippedSeasonFolder;
                entry.season = 0;
                entry.reason = std::get<SkipReason>(number);
                ++totals_.skippedSeasonFolders;
                sink_(entry);
            }
        } while (
            basFiles::GetNextFolder(handle, entry.seasonFolder.name, &entry.seasonFolder.onDisk));
    }

    // entry holds the show, the season folder and its season number.
    void Episodes(PreviewEntry entry) {
        ListingHandle handle = 0;
        const ListingGuard close(handle);
        const std::string seasonPath =
            ChildPath(ChildPath(root_, entry.show.onDisk), entry.seasonFolder.onDisk);
        if (!basFiles::GetFirstFile(seasonPath, handle, entry.fileName, &entry.fileNameOnDisk)) {
            return;
        }
        do {
            const auto parsed = ParseEpisodeFileName(entry.fileName);
            if (const auto* episode = std::get_if<EpisodeName>(&parsed)) {
                entry.kind = PreviewKind::kEpisode;
                entry.episode = *episode;
                ++totals_.episodes;
            } else {
                entry.kind = PreviewKind::kSkippedFile;
                entry.episode = {};
                entry.reason = std::get<SkipReason>(parsed);
                ++totals_.skippedFiles;
            }
            sink_(entry);
        } while (basFiles::GetNextFile(handle, entry.fileName, &entry.fileNameOnDisk));
    }

    std::string_view root_;
    const PreviewSink& sink_;
    PreviewTotals totals_;
};

}  // namespace

PreviewTotals PreviewImport(std::string_view root, const PreviewSink& sink) {
    return Preview(root, sink).Shows();
}

}  // namespace importer
