#include "importer/itunes/library/track_tags.h"

#include "common/file_byte_source.h"
#include "importer/itunes/library/library_database.h"

namespace itunes::library {
namespace {

bool Has(const TrackRecord& track, LabelBit bit) {
    return (track.labelled & static_cast<unsigned>(bit)) != 0;
}

}  // namespace

mp4::EpisodeTags TagsOf(const TrackRecord& track) {
    mp4::EpisodeTags tags;
    if (Has(track, LabelBit::kShow)) {
        tags.show = track.show;
    }
    if (Has(track, LabelBit::kSeasonNumber)) {
        tags.seasonNumber = track.season_number;
    }
    if (Has(track, LabelBit::kEpisodeId)) {
        tags.episodeId = track.episode_id;
    }
    if (Has(track, LabelBit::kEpisodeNumber)) {
        tags.episodeNumber = track.episode_number;
    }
    if (Has(track, LabelBit::kName)) {
        tags.name = track.name;
    }
    if (Has(track, LabelBit::kSortName)) {
        tags.sortName = track.sort_name;
    }
    if (Has(track, LabelBit::kVideoKind)) {
        tags.videoKind = track.video_kind;
    }
    return tags;
}

std::string FileLabelsState(const TrackRecord& track) {
    if (track.labelled == 0) {
        return "-";
    }
    std::string error;
    const std::unique_ptr<common::FileByteSource> file =
        common::FileByteSource::Open(track.location, &error);
    if (file == nullptr) {
        return "no (" + error + ")";
    }
    const mp4::TagsRead read = mp4::ReadEpisodeTags(*file);
    if (!read.tags) {
        return "no (" + read.reason + ")";
    }
    const mp4::EpisodeTags wanted = TagsOf(track);
    const mp4::EpisodeTags& has = *read.tags;
    // A kind without a value in the file, and none, are carried by having no item.
    const bool kindCarried = !wanted.videoKind || (mp4::StikForVideoKind(*wanted.videoKind)
                                                       ? has.videoKind == wanted.videoKind
                                                       : !has.videoKind);
    const auto carried = [](const auto& want, const auto& got) { return !want || want == got; };
    if (carried(wanted.show, has.show) && carried(wanted.seasonNumber, has.seasonNumber) &&
        carried(wanted.episodeId, has.episodeId) &&
        carried(wanted.episodeNumber, has.episodeNumber) && carried(wanted.name, has.name) &&
        carried(wanted.sortName, has.sortName) && kindCarried) {
        return "yes";
    }
    if (track.tags_pending) {
        return "no (not written yet)";
    }
    if (!track.tags_state.empty() && track.tags_state != "written") {
        return "no (" + track.tags_state + ")";
    }
    return "no (the file was changed since)";
}

TrackTagWriter::TrackTagWriter(LibraryDatabase& db, const std::string& libraryFolder)
    : db_(db), writer_(libraryFolder), enabled_(db.FileTagsEnabled().value_or(true)) {
    FileTagWriter::Recover(libraryFolder);
}

void TrackTagWriter::Write(std::span<const std::int64_t> trackIds) {
    if (!enabled_) {
        return;
    }
    for (const std::int64_t id : trackIds) {
        labelledAny_ = true;
        WriteOne(id);
    }
}

void TrackTagWriter::Flush() {
    if (!enabled_) {
        return;
    }
    const std::vector<std::int64_t> labelled = db_.TakeLabelled();
    Write(labelled);
    // Writes an earlier run left pending are taken up by the next run that labels, not by
    // one that only reads the library.
    if (labelledAny_) {
        Write(db_.TracksWithPendingTags());
    }
}

void TrackTagWriter::WriteOne(std::int64_t trackId) {
    const std::optional<LibraryDatabase::LabelledTrack> labels = db_.LabelsOf(trackId);
    if (!labels || !labels->track.tags_pending) {
        return;
    }
    const TagWriteResult result = writer_.Write(labels->track.location, TagsOf(labels->track));
    db_.RecordTagWrite(
        trackId, labels->generation,
        result.outcome == TagWriteOutcome::kRefused ? "refused: " + result.reason : "written");
}

}  // namespace itunes::library
