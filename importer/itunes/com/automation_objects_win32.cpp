#include "importer/itunes/com/automation_objects_win32.h"

#include <memory>
#include <utility>

#include "importer/itunes/com/dispatch_object_win32.h"

namespace itunes::com {
namespace {

// A child object, or null when the call failed or gave none.
std::optional<DispatchObject> ChildOf(DispatchObject& parent,
                                      std::optional<ComPtr<IDispatch>> child, ObjectKind kind) {
    if (!child || !*child) {
        return std::nullopt;
    }
    return parent.Child(std::move(*child), kind);
}

template <typename Object>
Ref<Object> Wrap(std::optional<DispatchObject> object) {
    if (!object) {
        return nullptr;
    }
    return std::make_shared<Object>(std::move(*object));
}

// One object of the automation interface over its dispatch object.
template <typename Interface>
class Bound : public Interface {
  public:
    explicit Bound(DispatchObject object) : object_(std::move(object)) {}

  protected:
    DispatchObject object_;
};

class ComOperationStatus : public Bound<OperationStatus> {
  public:
    using Bound::Bound;
    std::optional<bool> InProgress() override { return object_.GetBool(L"InProgress"); }
};

class ComTrack : public Bound<Track> {
  public:
    using Bound::Bound;

    std::optional<std::string> Location() override { return object_.GetText(L"Location"); }
    bool SetShow(std::string_view show) override { return object_.PutText(L"Show", show); }
    bool SetSeasonNumber(std::int32_t seasonNumber) override {
        return object_.PutInt32(L"SeasonNumber", seasonNumber);
    }
    bool SetEpisodeID(std::string_view episodeId) override {
        return object_.PutText(L"EpisodeID", episodeId);
    }
    bool SetEpisodeNumber(std::int32_t episodeNumber) override {
        return object_.PutInt32(L"EpisodeNumber", episodeNumber);
    }
    bool SetName(std::string_view name) override { return object_.PutText(L"Name", name); }
    bool SetSortName(std::string_view sortName) override {
        return object_.PutText(L"SortName", sortName);
    }
    bool SetVideoKind(std::int16_t videoKind) override {
        return object_.PutInt16(L"VideoKind", videoKind);
    }
};

// Walks the collection's enumerator; the collection object itself stays alive with it, as
// some enumerators only borrow their collection's items.
class ComTrackCollection : public TrackCollection {
  public:
    ComTrackCollection(DispatchObject collection, ComPtr<IEnumVARIANT> items)
        : collection_(std::move(collection)), items_(std::move(items)) {}

    Ref<Track> Next() override {
        for (;;) {
            Variant item;
            ULONG fetched = 0;
            if (items_->Next(1, item.Get(), &fetched) != S_OK || fetched != 1) {
                return nullptr;
            }
            // An item that is no object is no track: it cannot hold the file, so the walk
            // goes on past it.
            ComPtr<IDispatch> track = DispatchOf(*item);
            if (track) {
                return std::make_shared<ComTrack>(
                    collection_.Child(std::move(track), ObjectKind::Track));
            }
        }
    }

  private:
    DispatchObject collection_;
    ComPtr<IEnumVARIANT> items_;
};

class ComPlaylist : public Bound<Playlist> {
  public:
    using Bound::Bound;

    AddFileResult AddFile(std::string_view path) override {
        std::optional<ComPtr<IDispatch>> status = object_.GetObject(L"AddFile", path);
        if (!status) {
            return {};
        }
        return {true,
                Wrap<ComOperationStatus>(ChildOf(object_, std::move(status), ObjectKind::Status))};
    }

    Ref<TrackCollection> Tracks() override {
        std::optional<DispatchObject> tracks =
            ChildOf(object_, object_.GetObject(L"Tracks"), ObjectKind::Tracks);
        if (!tracks) {
            return nullptr;
        }
        ComPtr<IEnumVARIANT> items = tracks->NewEnum();
        if (!items) {
            return nullptr;
        }
        return std::make_shared<ComTrackCollection>(std::move(*tracks), std::move(items));
    }
};

class ComPlaylistCollection : public Bound<PlaylistCollection> {
  public:
    using Bound::Bound;
    Ref<Playlist> ItemByName(std::string_view name) override {
        return Wrap<ComPlaylist>(
            ChildOf(object_, object_.GetObject(L"ItemByName", name), ObjectKind::Playlist));
    }
};

class ComSource : public Bound<Source> {
  public:
    using Bound::Bound;
    Ref<PlaylistCollection> Playlists() override {
        return Wrap<ComPlaylistCollection>(
            ChildOf(object_, object_.GetObject(L"Playlists"), ObjectKind::Playlists));
    }
};

class ComSourceCollection : public Bound<SourceCollection> {
  public:
    using Bound::Bound;
    Ref<Source> ItemByName(std::string_view name) override {
        return Wrap<ComSource>(
            ChildOf(object_, object_.GetObject(L"ItemByName", name), ObjectKind::Source));
    }
};

class ComApplication : public Bound<Application> {
  public:
    using Bound::Bound;
    Ref<SourceCollection> Sources() override {
        return Wrap<ComSourceCollection>(
            ChildOf(object_, object_.GetObject(L"Sources"), ObjectKind::Sources));
    }
};

}  // namespace

Ref<Application> MakeApplication(ComPtr<IDispatch> application) {
    if (!application) {
        return nullptr;
    }
    return std::make_shared<ComApplication>(DispatchObject(
        std::move(application), ObjectKind::Application, std::make_shared<DispidCache>()));
}

}  // namespace itunes::com
