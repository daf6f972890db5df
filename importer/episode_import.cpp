#include "importer/episode_import.h"

#include <functional>
#include <optional>

#include "importer/episode_labels.h"
#include "importer/files/text.h"

namespace importer {
namespace {

// The import's side of the walk: a confirmed cancel ends it, every step yields to the window,
// and every episode is added and labelled.
class ImportWalk final : public EpisodeWalkVisitor {
  public:
    ImportWalk(EpisodeImport& import, const ImportState& state, ImportView& view,
               std::string_view root)
        : import_(import), state_(state), view_(view), root_(root) {}

    bool KeepWalking() override { return !state_.ImportStopped; }
    void Stepped() override { view_.YieldToEvents(); }
    void Episode(const SeasonFile& file, const EpisodeName& episode) override {
        import_.AddAndLabelEpisode({std::string(root_), file.show, file.seasonFolder, file.season,
                                    episode.numberText, episode.number, episode.title,
                                    episode.extension, file.onDisk});
    }

  private:
    EpisodeImport& import_;
    const ImportState& state_;
    ImportView& view_;
    std::string_view root_;
};

// The import's rule for locations, as the library's index is to apply it.
std::string KeyOf(std::string_view location) {
    return LocationKey(location);
}

}  // namespace

void EpisodeImport::ImportShows(std::string_view root) {
    ImportWalk walk(*this, state_, view_, root);
    if (!WalkEpisodes(root, walk)) {
        return;  // no subfolder at all: nothing to report
    }
    view_.SetStatusText("OK");
    view_.ShowMessage(std::to_string(state_.FilesAdded) + " files added.", kApplicationTitle,
                      MessageButtons::Ok, MessageIcon::Information);
}

void EpisodeImport::AddAndLabelEpisode(const EpisodeToAdd& episode) {
    // The library is given the file as it stands on disk; its track is found by that path under
    // the file system's rule for names (LocationKey), so case and blanks in the name can neither
    // lose the track nor, where they tell two files apart, find the other file's.
    const std::string path = EpisodePath(episode.root, episode.show.onDisk,
                                         episode.seasonFolder.onDisk, episode.fileNameOnDisk);
    const std::string key = LocationKey(path);

    view_.SetDisplayField(DisplayField::Show, episode.show.name);
    view_.SetDisplayField(DisplayField::EpisodeID, episode.title);
    view_.SetDisplayField(DisplayField::EpisodeNumber, std::to_string(episode.number));
    view_.SetDisplayField(DisplayField::SeasonNumber, std::to_string(episode.season));
    view_.SetStatusText("Adding " + episode.title);

    const itunes::Ref<itunes::Playlist> playlist = state_.MoviesPlaylist;
    if (!playlist) {
        return;
    }
    const itunes::AddFileResult added = playlist->AddFile(path);
    if (!added.status) {
        return;
    }
    // The window sleeps between the reads until an event comes or, where the library tells
    // of the add's end, until it ends. A read that fails counts as still in progress; only a
    // confirmed cancel ends the wait then, and as it says nothing of the end it is waited on
    // briefly only.
    std::function<void()> waker = view_.Waker();
    const bool told = waker && added.status->NotifyWhenDone(std::move(waker));
    for (;;) {
        const std::optional<bool> inProgress = added.status->InProgress();
        if (inProgress == false) {
            break;
        }
        view_.WaitForEvents(told && inProgress ? IdleWait::UntilWoken : IdleWait::Briefly);
        if (state_.ImportStopped) {
            return;
        }
    }

    // Where the library keeps its tracks by location, the file's track is looked up; it is the
    // first whose location has the file's key, as the walk below would find it. A cancel that
    // came meanwhile is taken first, as the walk takes it at the tracks before the file's.
    if (const itunes::Ref<itunes::TrackIndex> index = playlist->TracksByLocation()) {
        view_.YieldToEvents();
        if (state_.ImportStopped) {
            return;
        }
        if (const itunes::Ref<itunes::Track> track = index->FirstWithLocationKey(key, &KeyOf)) {
            Label(*track, episode);
        }
        return;
    }
    const itunes::Ref<itunes::TrackCollection> tracks = playlist->Tracks();
    if (!tracks) {
        return;
    }
    for (itunes::Ref<itunes::Track> track = tracks->Next(); track; track = tracks->Next()) {
        if (state_.ImportStopped) {
            return;
        }
        const std::optional<std::string> location = track->Location();
        if (location && HasLocationKey(*location, key)) {
            Label(*track, episode);
            return;
        }
        view_.YieldToEvents();
    }
}

void EpisodeImport::Label(itunes::Track& track, const EpisodeToAdd& episode) {
    view_.SetStatusText("Labeling " + episode.title);
    const std::string show(basFiles::TrimBlanks(episode.show.name));
    const std::string title(basFiles::TrimBlanks(episode.title));
    // Each write stands on its own: one that fails leaves that property as it was.
    track.SetShow(show);
    track.SetSeasonNumber(episode.season);
    track.SetEpisodeID(title);
    track.SetEpisodeNumber(episode.number);
    track.SetName(title);
    track.SetSortName(SortName(episode.number));
    track.SetVideoKind(kVideoKindTvShow);
    ++state_.FilesAdded;
}

}  // namespace importer
