// A media library playlist held in memory, for driving the labelling without the embedded
// library: every added path becomes a track at the end; failures and slow adds on request.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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

// InProgress fails for the given number of reads, answers true for the busy ones, then false;
// onRead runs before each. A status that notifies keeps the waiter's onDone until End.
struct FakeStatus : itunes::OperationStatus {
    int failedReads = 0;
    int busyReads = 0;
    bool notifies = false;
    std::function<void()> onRead;
    std::function<void()> onDone;

    std::optional<bool> InProgress() override {
        if (onRead) {
            onRead();
        }
        if (failedReads > 0) {
            --failedReads;
            return std::nullopt;
        }
        if (busyReads > 0) {
            --busyReads;
            return true;
        }
        return false;
    }
    bool NotifyWhenDone(std::function<void()> done) override {
        onDone = notifies ? std::move(done) : nullptr;
        return notifies;
    }
    // The add ends now, as the library's thread would end it.
    void End() {
        failedReads = busyReads = 0;
        if (onDone) {
            std::exchange(onDone, nullptr)();
        }
    }
};

struct FakeTracks : itunes::TrackCollection {
    std::vector<std::shared_ptr<FakeTrack>> tracks;
    std::size_t next = 0;
    itunes::Ref<itunes::Track> Next() override {
        return next < tracks.size() ? tracks[next++] : nullptr;
    }
};

// The tracks of a playlist by location key, looked up as a library's index would answer: the
// first in playlist order whose keyOf(location) is the key.
struct FakeIndex : itunes::TrackIndex {
    explicit FakeIndex(const std::vector<std::shared_ptr<FakeTrack>>& of) : tracks(of) {}
    const std::vector<std::shared_ptr<FakeTrack>>& tracks;
    itunes::Ref<itunes::Track> FirstWithLocationKey(std::string_view key,
                                                    itunes::LocationKeyOf keyOf) override {
        for (const auto& track : tracks) {
            if (track->location && keyOf(*track->location) == key) {
                return track;
            }
        }
        return nullptr;
    }
};

struct FakePlaylist : itunes::Playlist {
    std::vector<std::shared_ptr<FakeTrack>> tracks;
    bool indexed = false;  // offers FakeIndex
    int listings = 0;      // calls of Tracks
    std::vector<std::string> addedPaths;
    bool giveStatus = true;
    int failedReads = 0;
    int busyReads = 0;
    bool notifies = false;
    std::function<void()> onStatusRead;
    std::shared_ptr<FakeStatus> lastStatus;

    itunes::AddFileResult AddFile(std::string_view path) override {
        addedPaths.emplace_back(path);
        if (!giveStatus) {
            return {true, nullptr};
        }
        auto track = std::make_shared<FakeTrack>();
        track->location = std::string(path);
        tracks.push_back(track);
        auto status = std::make_shared<FakeStatus>();
        status->failedReads = failedReads;
        status->busyReads = busyReads;
        status->notifies = notifies;
        status->onRead = onStatusRead;
        lastStatus = status;
        return {true, status};
    }
    itunes::Ref<itunes::TrackCollection> Tracks() override {
        ++listings;
        auto collection = std::make_shared<FakeTracks>();
        collection->tracks = tracks;
        return collection;
    }
    itunes::Ref<itunes::TrackIndex> TracksByLocation() override {
        return indexed ? std::make_shared<FakeIndex>(tracks) : nullptr;
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
