#include "importer/import_preview.h"

#include "importer/episode_walk.h"

namespace importer {
namespace {

// The dry run's side of the walk: every episode and every skip becomes an entry, counted.
class PreviewWalk final : public EpisodeWalkVisitor {
  public:
    explicit PreviewWalk(const PreviewSink& sink) : sink_(sink) {}

    void SkippedSeasonFolder(const FolderName& show, const FolderName& seasonFolder,
                             SkipReason reason) override {
        PreviewEntry entry;
        entry.kind = PreviewKind::kSkippedSeasonFolder;
        entry.show = show;
        entry.seasonFolder = seasonFolder;
        entry.reason = reason;
        ++totals_.skippedSeasonFolders;
        sink_(entry);
    }
    void Episode(const SeasonFile& file, const EpisodeName& episode) override {
        PreviewEntry entry = FileEntry(PreviewKind::kEpisode, file);
        entry.episode = episode;
        ++totals_.episodes;
        sink_(entry);
    }
    void SkippedFile(const SeasonFile& file, SkipReason reason) override {
        PreviewEntry entry = FileEntry(PreviewKind::kSkippedFile, file);
        entry.reason = reason;
        ++totals_.skippedFiles;
        sink_(entry);
    }

    PreviewTotals& Totals() { return totals_; }

  private:
    static PreviewEntry FileEntry(PreviewKind kind, const SeasonFile& file) {
        PreviewEntry entry;
        entry.kind = kind;
        entry.show = file.show;
        entry.seasonFolder = file.seasonFolder;
        entry.season = file.season;
        entry.fileName = file.name;
        entry.fileNameOnDisk = file.onDisk;
        return entry;
    }

    const PreviewSink& sink_;
    PreviewTotals totals_;
};

}  // namespace

PreviewTotals PreviewImport(std::string_view root, const PreviewSink& sink) {
    PreviewWalk walk(sink);
    walk.Totals().rootHasSubfolders = WalkEpisodes(root, walk);
    return walk.Totals();
}

}  // namespace importer
