// A track as the library's playlists list it: its id, its location, and the property writes of
// the automation interface, which go to the database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "importer/itunes/itunes.h"

namespace itunes::library {

class LibraryDatabase;

// The location is the one the track was added with, which never changes, so it is read without
// going back to the database - also once the track has been removed, when its writes fail.
// The database it writes to must outlive it: whoever hands a track out also keeps the library
// open for as long as the track is held.
class LibraryTrack final : public Track {
  public:
    LibraryTrack(LibraryDatabase& db, std::int64_t id, std::string location)
        : db_(&db), id_(id), location_(std::move(location)) {}

    std::int64_t Id() const { return id_; }
    const std::string& StoredLocation() const { return location_; }

    std::optional<std::string> Location() override { return location_; }
    bool SetShow(std::string_view show) override;
    bool SetSeasonNumber(std::int32_t seasonNumber) override;
    bool SetEpisodeID(std::string_view episodeId) override;
    bool SetEpisodeNumber(std::int32_t episodeNumber) override;
    bool SetName(std::string_view name) override;
    bool SetSortName(std::string_view sortName) override;
    bool SetVideoKind(std::int16_t videoKind) override;

  private:
    LibraryDatabase* db_;
    std::int64_t id_;
    std::string location_;
};

}  // namespace itunes::library
