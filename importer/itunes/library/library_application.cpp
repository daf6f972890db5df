#include "importer/itunes/library/library_application.h"

#include <cstdint>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "common/machine_prefix.h"
#include "importer/itunes/library/library_core.h"

namespace itunes::library {
namespace {

using Core = std::shared_ptr<LibraryCore>;

class LibraryOperationStatus final : public OperationStatus {
  public:
    explicit LibraryOperationStatus(std::shared_ptr<AddJobState> state)
        : state_(std::move(state)) {}
    // A caller that is not told of the end polls this as fast as it can; a poll that finds the
    // add still running then gives the processor away once, so that on a busy machine the poller
    // does not starve the add. One that is told sleeps between its reads and is not slowed.
    std::optional<bool> InProgress() override {
        if (state_->Done()) {
            return false;
        }
        if (!notifying_) {
            std::this_thread::yield();
        }
        return true;
    }

    bool NotifyWhenDone(std::function<void()> onDone) override {
        notifying_ = true;
        state_->WhenDone(std::move(onDone));
        return true;
    }

  private:
    std::shared_ptr<AddJobState> state_;
    bool notifying_ = false;
};

// What a collection and every track it handed out keep alive together: the library (whose
// database the tracks write to) and the list the tracks are part of.
struct TrackListing {
    Core core;
    std::shared_ptr<TrackEntries> entries;
};

// The playlist's tracks as they were when Tracks was called: a track added since then does not
// come out, and one removed since then still does, with its location, while its writes fail.
// A track is handed out as a share of the listing, so that enumerating takes no allocation.
class LibraryTrackCollection final : public TrackCollection {
  public:
    explicit LibraryTrackCollection(std::shared_ptr<const TrackListing> listing)
        : listing_(std::move(listing)) {}

    Ref<Track> Next() override {
        TrackEntries& entries = *listing_->entries;
        if (next_ >= entries.size()) {
            return nullptr;
        }
        return Ref<Track>(listing_, &entries[next_++]);
    }

  private:
    std::shared_ptr<const TrackListing> listing_;
    std::size_t next_ = 0;
};

// A track found by its location, with the library it writes to.
struct FoundTrack {
    Core core;
    LibraryTrack track;
};

class LibraryTrackIndex final : public TrackIndex {
  public:
    LibraryTrackIndex(Core core, std::int64_t playlistId)
        : core_(std::move(core)), playlistId_(playlistId) {}

    Ref<Track> FirstWithLocationKey(std::string_view key, LocationKeyOf keyOf) override {
        std::optional<LibraryTrack> track = core_->db->FirstTrackWithKey(playlistId_, key, keyOf);
        if (!track) {
            return nullptr;
        }
        auto found = std::make_shared<FoundTrack>(FoundTrack{core_, std::move(*track)});
        return Ref<Track>(found, &found->track);
    }

  private:
    Core core_;
    std::int64_t playlistId_;
};

class LibraryPlaylist final : public Playlist {
  public:
    LibraryPlaylist(Core core, std::int64_t id) : core_(std::move(core)), id_(id) {}

    AddFileResult AddFile(std::string_view path) override {
        auto state = core_->worker.Enqueue(std::string(path), id_);
        if (state == nullptr) {
            return {};
        }
        return {true, std::make_shared<LibraryOperationStatus>(std::move(state))};
    }

    Ref<TrackCollection> Tracks() override {
        auto entries = core_->db->PlaylistEntries(id_);
        if (entries == nullptr) {
            return nullptr;
        }
        return std::make_shared<LibraryTrackCollection>(
            std::make_shared<const TrackListing>(TrackListing{core_, std::move(entries)}));
    }

    Ref<TrackIndex> TracksByLocation() override {
        return std::make_shared<LibraryTrackIndex>(core_, id_);
    }

  private:
    Core core_;
    std::int64_t id_;
};

class LibraryPlaylistCollection final : public PlaylistCollection {
  public:
    LibraryPlaylistCollection(Core core, std::int64_t sourceId)
        : core_(std::move(core)), sourceId_(sourceId) {}

    Ref<Playlist> ItemByName(std::string_view name) override {
        auto id = core_->db->FindPlaylist(sourceId_, name);
        if (!id) {
            return nullptr;
        }
        return std::make_shared<LibraryPlaylist>(core_, *id);
    }

  private:
    Core core_;
    std::int64_t sourceId_;
};

class LibrarySource final : public Source {
  public:
    LibrarySource(Core core, std::int64_t id) : core_(std::move(core)), id_(id) {}
    Ref<PlaylistCollection> Playlists() override {
        return std::make_shared<LibraryPlaylistCollection>(core_, id_);
    }

  private:
    Core core_;
    std::int64_t id_;
};

class LibrarySourceCollection final : public SourceCollection {
  public:
    explicit LibrarySourceCollection(Core core) : core_(std::move(core)) {}
    Ref<Source> ItemByName(std::string_view name) override {
        auto id = core_->db->FindSource(name);
        if (!id) {
            return nullptr;
        }
        return std::make_shared<LibrarySource>(core_, *id);
    }

  private:
    Core core_;
};

class LibraryApplication final : public Application {
  public:
    explicit LibraryApplication(Core core) : core_(std::move(core)) {}
    Ref<SourceCollection> Sources() override {
        return std::make_shared<LibrarySourceCollection>(core_);
    }

  private:
    Core core_;
};

Ref<Application> MakeApplication(Core core) {
    if (core == nullptr) {
        return nullptr;
    }
    return std::make_shared<LibraryApplication>(std::move(core));
}

}  // namespace

std::shared_ptr<LibraryCore> OpenLibraryCore(const std::string& databasePath, bool create) {
    auto db = LibraryDatabase::Open(databasePath, create);
    if (db == nullptr) {
        return nullptr;
    }
    return std::make_shared<LibraryCore>(
        std::move(db), std::filesystem::path(databasePath).parent_path().string());
}

Ref<Application> OpenInstalledLibrary() {
    const std::string path = common::MediaLibraryPath();
    if (path.empty()) {
        return nullptr;
    }
    return MakeApplication(OpenLibraryCore(path, false));
}

Ref<Application> OpenLibrary(const std::string& databasePath) {
    return MakeApplication(OpenLibraryCore(databasePath, true));
}

}  // namespace itunes::library
