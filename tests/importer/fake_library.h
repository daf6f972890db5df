// A media library playlist held in memory, for driving the labelling without the embedded
// library: every added path becomes a track at the end; failures and slow adds on request.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "importer/itunes/itunes.h"

namespace importer::fakes {

struct FakeTrack : itunes::Track {
    std::optional<std::string> location;
    std::optional<std::string> show, episodeId, name, sortName;
    std::optional<std::int32_t> seasonNumber, episodeNumber;
    std::optional<std::int16_t> videoKind;
    bool failWrites = false;

    std::optional<std::string> Location() override { return location; }
    bool SetShow(std::string_view v) override { return Store(show, std::string(v)); }
    bool SetSeasonNumber(std::int32_t v) override { return Store(seasonNumber, v); }
    bool SetEpisodeID(std::string_view v) override { return Store(episodeId, std::string(v)); }
    bool SetEpisodeNumber(std::int32_t v) override { return Store(episodeNumber, v); }
    bool SetName(std::string_view v) override { return Store(name, std::string(v)); }
    bool SetSortName(std::string_view v) override { return Store(sortName, std::string(v)); }
    bool SetVideoKind(std::int16_t v) override { return Store(videoKind, v); }

    bool Labelled() const { return videoKind.has_value(); }

  private:
    template <typename T>
    bool Store(std::optional<T>& field, T value) {
        if (failWrites) {
            return false;
        }
        field = std::move(value);
        return true;
    }
};

// InProgress answers true for the given number of reads, then false; onRead runs before each.
struct FakeStatus : itunes::OperationStatus {
    int busyReads = 0;
    std::function<void()> onRead;
    std::optional<bool> InProgress() override {
        if (onRead) {
            onRead();
        }
        if (busyReads > 0) {
            --busyReads;
            return true;
        }
        return false;
    }
};

struct FakeTracks : itunes::TrackCollection {
    std::vector<std::shared_ptr<FakeTrack>> tracks;
    std::size_t next = 0;
    itunes::Ref<itunes::Track> Next() override {
        return next < tracks.size() ? tracks[next++] : nullptr;
    }
};

struct FakePlaylist : itunes::Playlist {
    std::vector<std::shared_ptr<FakeTrack>> tracks;
    std::vector<std::string> addedPaths;
    bool giveStatus = true;
    int busyReads = 0;
    std::function<void()> onStatusRead;

    itunes::AddFileResult AddFile(std::string_view path) override {
        addedPaths.emplace_back(path);
        if (!giveStatus) {
            return {true, nullptr};
        }
        auto track = std::make_shared<FakeTrack>();
        track->location = std::string(path);
        tracks.push_back(track);
        auto status = std::make_shared<FakeStatus>();
        status->busyReads = busyReads;
        status->onRead = onStatusRead;
        return {true, status};
    }
    itunes::Ref<itunes::TrackCollection> Tracks() override {
        auto collection = std::make_shared<FakeTracks>();
        collection->tracks = tracks;
        return collection;
    }
};

// An application whose "Library" source holds the given playlists by name; any link of the
// chain can be made to fail.
struct FakeApplication : itunes::Application {
    std::map<std::string, itunes::Ref<itunes::Playlist>> playlists;
    bool failSources = false;

    itunes::Ref<itunes::SourceCollection> Sources() override {
        if (failSources) {
            return nullptr;
        }
        return std::make_shared<Sources_>(playlists);
    }

  private:
    using Map = std::map<std::string, itunes::Ref<itunes::Playlist>>;
    struct Playlists_ : itunes::PlaylistCollection {
        explicit Playlists_(Map m) : map(std::move(m)) {}
        Map map;
        itunes::Ref<itunes::Playlist> ItemByName(std::string_view name) override {
            const auto it = map.find(std::string(name));
            return it == map.end() ? nullptr : it->second;
        }
    };
    struct Source_ : itunes::Source {
        explicit Source_(Map m) : map(std::move(m)) {}
        Map map;
        itunes::Ref<itunes::PlaylistCollection> Playlists() override {
            return std::make_shared<Playlists_>(map);
        }
    };
    struct Sources_ : itunes::SourceCollection {
        explicit Sources_(Map m) : map(std::move(m)) {}
        Map map;
        itunes::Ref<itunes::Source> ItemByName(std::string_view name) override {
            return name == "Library" ? std::make_shared<Source_>(map) : nullptr;
        }
    };
};

}  // namespace importer::fakes
