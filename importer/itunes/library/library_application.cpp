#include "importer/itunes/library/library_application.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "importer/itunes/library/library_core.h"
#include "importer/machine/machine_prefix.h"

namespace itunes::library {
namespace {

using Core = std::shared_ptr<LibraryCore>;

class LibraryOperationStatus final : public OperationStatus {
  public:
    explicit LibraryOperationStatus(std::shared_ptr<AddJobState> state)
        : state_(std::move(state)) {}
    std::optional<bool> InProgress() override { return !state_->Done(); }

  private:
    std::shared_ptr<AddJobState> state_;
};

class LibraryTrack final : public Track {
  public:
    LibraryTrack(Core core, std::int64_t id) : core_(std::move(core)), id_(id) {}

    std::optional<std::string> Location() override { return core_->db->TrackLocation(id_); }
    bool SetShow(std::string_view show) override { return Set(TextProperty::kShow, show); }
    bool SetSeasonNumber(std::int32_t seasonNumber) override {
        return Set(IntegerProperty::kSeasonNumber, seasonNumber);
    }
    bool SetEpisodeID(std::string_view episodeId) override {
        return Set(TextProperty::kEpisodeId, episodeId);
    }
    bool SetEpisodeNumber(std::int32_t episodeNumber) override {
        return Set(IntegerProperty::kEpisodeNumber, episodeNumber);
    }
    bool SetName(std::string_view name) override { return Set(TextProperty::kName, name); }
    bool SetSortName(std::string_view sortName) override {
        return Set(TextProperty::kSortName, sortName);
    }
    bool SetVideoKind(std::int16_t videoKind) override {
        return Set(IntegerProperty::kVideoKind, videoKind);
    }

  private:
    bool Set(TextProperty property, std::string_view value) {
        return core_->db->SetText(id_, property, value);
    }
    bool Set(IntegerProperty property, std::int64_t value) {
        return core_->db->SetInteger(id_, property, value);
    }

    Core core_;
    std::int64_t id_;
};

// The playlist's tracks as they were when Tracks was called; a track removed since then
// still comes out, and its calls fail.
class LibraryTrackCollection final : public TrackCollection {
  public:
    LibraryTrackCollection(Core core, std::vector<std::int64_t> ids)
        : core_(std::move(core)), ids_(std::move(ids)) {}

    Ref<Track> Next() override {
        if (next_ >= ids_.size()) {
            return nullptr;
        }
        return std::make_shared<LibraryTrack>(core_, ids_[next_++]);
    }

  private:
    Core core_;
    std::vector<std::int64_t> ids_;
    std::size_t next_ = 0;
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
        auto ids = core_->db->PlaylistTrackIds(id_);
        if (!ids) {
            return nullptr;
        }
        return std::make_shared<LibraryTrackCollection>(core_, std::move(*ids));
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
    return std::make_shared<LibraryCore>(std::move(db));
}

Ref<Application> OpenInstalledLibrary() {
    const std::string path = machine::MediaLibraryPath();
    if (path.empty()) {
        return nullptr;
    }
    return MakeApplication(OpenLibraryCore(path, false));
}

Ref<Application> OpenLibrary(const std::string& databasePath) {
    return MakeApplication(OpenLibraryCore(databasePath, true));
}

}  // namespace itunes::library
