#include "importer/episode_import.h"

#include <optional>
#include <variant>

#include "importer/episode_labels.h"
#include "importer/episode_naming.h"
#include "importer/files/listing.h"
#include "importer/files/path.h"
#include "importer/files/text.h"

namespace importer {
namespace {

using basFiles::AddTrailing;
using basFiles::kPathSeparator;
using basFiles::ListingGuard;
using basFiles::ListingHandle;

std::string ChildPath(std::string_view folder, std::string_view child) {
    return AddTrailing(folder, kPathSeparator) + std::string(child);
}

}  // namespace

void EpisodeImport::ImportShows(std::string_view root) {
    ListingHandle handle = 0;
    const ListingGuard close(handle);
    FolderName show;
    if (!basFiles::GetFirstFolder(root, handle, show.name, &show.onDisk)) {
        return;  // no subfolder at all: nothing to report
    }
    do {
        if (state_.ImportStopped) {
            break;
        }
        ImportSeasons(root, show);
        view_.YieldToEvents();
    } while (basFiles::GetNextFolder(handle, show.name, &show.onDisk));

    view_.SetStatusText("OK");
    view_.ShowMessage(std::to_string(state_.FilesAdded) + " files added.", kApplicationTitle,
                      MessageButtons::Ok, MessageIcon::Information);
}

void EpisodeImport::ImportSeasons(std::string_view root, const FolderName& show) {
    ListingHandle handle = 0;
    const ListingGuard close(handle);
    FolderName season;
    const std::string showPath = ChildPath(root, show.onDisk);
    if (!basFiles::GetFirstFolder(showPath, handle, season.name, &season.onDisk)) {
        return;
    }
    do {
        if (state_.ImportStopped) {
            break;
        }
        const auto number = SeasonNumber(season.name);
        if (const auto* seasonNumber = std::get_if<std::int32_t>(&number)) {
            ImportEpisodes(root, show, season, *seasonNumber);
        }
        view_.YieldToEvents();
    } while (basFiles::GetNextFolder(handle, season.name, &season.onDisk));
}

void EpisodeImport::ImportEpisodes(std::string_view root, const FolderName& show,
                                   const FolderName& seasonFolder, std::int32_t season) {
    ListingHandle handle = 0;
    const ListingGuard close(handle);
    std::string name;
    std::string onDisk;
    const std::string seasonPath = ChildPath(ChildPath(root, show.onDisk), seasonFolder.onDisk);
    if (!basFiles::GetFirstFile(seasonPath, handle, name, &onDisk)) {
        return;
    }
    do {
        if (state_.ImportStopped) {
            break;
        }
        const auto parsed = ParseEpisodeFileName(name);
        if (const auto* episode = std::get_if<EpisodeName>(&parsed)) {
            AddAndLabelEpisode({std::string(root), show, seasonFolder, season, episode->numberText,
                                episode->number, episode->title, episode->extension, onDisk});
        }
        view_.YieldToEvents();
    } while (basFiles::GetNextFile(handle, name, &onDisk));
}

void EpisodeImport::AddAndLabelEpisode(const EpisodeToAdd& episode) {
    // The library is given the file as it stands on disk; its track is found by the same path
    // trimmed and upper-cased, so case and blanks in the name cannot lose it.
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
    // A read that fails counts as still in progress; only a confirmed cancel ends the wait
    // then.
    for (;;) {
        const std::optional<bool> inProgress = added.status->InProgress();
        if (inProgress == false) {
            break;
        }
        view_.YieldToEvents();
        if (state_.ImportStopped) {
            return;
        }
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
