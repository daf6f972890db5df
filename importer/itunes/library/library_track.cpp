#include "importer/itunes/library/library_track.h"

#include "importer/itunes/library/library_database.h"

namespace itunes::library {

bool LibraryTrack::SetShow(std::string_view show) {
    return db_->SetText(id_, TextProperty::kShow, show);
}

bool LibraryTrack::SetSeasonNumber(std::int32_t seasonNumber) {
    return db_->SetInteger(id_, IntegerProperty::kSeasonNumber, seasonNumber);
}

bool LibraryTrack::SetEpisodeID(std::string_view episodeId) {
    return db_->SetText(id_, TextProperty::kEpisodeId, episodeId);
}

bool LibraryTrack::SetEpisodeNumber(std::int32_t episodeNumber) {
    return db_->SetInteger(id_, IntegerProperty::kEpisodeNumber, episodeNumber);
}

bool LibraryTrack::SetName(std::string_view name) {
    return db_->SetText(id_, TextProperty::kName, name);
}

bool LibraryTrack::SetSortName(std::string_view sortName) {
    return db_->SetText(id_, TextProperty::kSortName, sortName);
}

bool LibraryTrack::SetVideoKind(std::int16_t videoKind) {
    return db_->SetInteger(id_, IntegerProperty::kVideoKind, videoKind);
}

}  // namespace itunes::library
