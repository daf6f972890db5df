// The media library's automation interface: exactly the objects and members that an import
// uses, each reached by its name at run time on the real application. Every member can fail
// (the application closed or busy); a failure is a value - a null object, an empty optional
// or false - and never an exception. Objects are shared and reference-counted, as automation
// objects are: a child may outlive the object it came from.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace itunes {

template <typename T>
using Ref = std::shared_ptr<T>;

class OperationStatus {
  public:
    virtual ~OperationStatus() = default;
    // True while the add is still running; std::nullopt when the call failed.
    virtual std::optional<bool> InProgress() = 0;
    // Where the library can tell when the add ends: onDone runs once it has - at once when it
    // already has, else on whichever thread ends it - and the answer is true. False when it
    // cannot tell; then only InProgress says. One onDone per status: a later one replaces it.
    // onDone must own what it touches, as it may run after its caller and this object are gone.
    virtual bool NotifyWhenDone(std::function<void()> /*onDone*/) { return false; }
};

class Track {
  public:
    virtual ~Track() = default;
    // The full path of the track's file, as it was given when the file was added.
    virtual std::optional<std::string> Location() = 0;
    // Property writes; each takes effect on its own and says whether it did.
    virtual bool SetShow(std::string_view show) = 0;
    virtual bool SetSeasonNumber(std::int32_t seasonNumber) = 0;
    virtual bool SetEpisodeID(std::string_view episodeId) = 0;
    virtual bool SetEpisodeNumber(std::int32_t episodeNumber) = 0;
    virtual bool SetName(std::string_view name) = 0;
    virtual bool SetSortName(std::string_view sortName) = 0;
    virtual bool SetVideoKind(std::int16_t videoKind) = 0;
};

// A playlist's tracks, handed out one by one in playlist order from the first.
class TrackCollection {
  public:
    virtual ~TrackCollection() = default;
    // The next track; null at the end, or when it could not be fetched.
    virtual Ref<Track> Next() = 0;
};

// The outcome of AddFile: whether the call itself succeeded, and the status object it gave
// (which may be none even when the call succeeded).
struct AddFileResult {
    bool called = false;
    Ref<OperationStatus> status;
};

// The key a location is compared by (the file system's rule for names, which the caller knows
// and the library does not). A plain function, so that an index built with it can tell whether
// it is asked with the same one.
using LocationKeyOf = std::string (*)(std::string_view location);

// A playlist's tracks by the key of their location, where the library keeps such an index: the
// track of a file is found without reading every track. The automation interface has no such
// thing; where a playlist offers none, its tracks are walked instead.
class TrackIndex {
  public:
    virtual ~TrackIndex() = default;
    // The first track in playlist order whose keyOf(location) is key, as a walk through Tracks
    // taken now would find it; null when there is none or the library failed.
    virtual Ref<Track> FirstWithLocationKey(std::string_view key, LocationKeyOf keyOf) = 0;
};

class Playlist {
  public:
    virtual ~Playlist() = default;
    // Adds the file at path to the library and to this playlist. A file already present, or
    // one that is not usable media, is ignored without harm: the add completes, no track.
    virtual AddFileResult AddFile(std::string_view path) = 0;
    virtual Ref<TrackCollection> Tracks() = 0;
    // The playlist's index of tracks by location; null where the library keeps none.
    virtual Ref<TrackIndex> TracksByLocation() { return nullptr; }
};

class PlaylistCollection {
  public:
    virtual ~PlaylistCollection() = default;
    virtual Ref<Playlist> ItemByName(std::string_view name) = 0;
};

class Source {
  public:
    virtual ~Source() = default;
    virtual Ref<PlaylistCollection> Playlists() = 0;
};

class SourceCollection {
  public:
    virtual ~SourceCollection() = default;
    virtual Ref<Source> ItemByName(std::string_view name) = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual Ref<SourceCollection> Sources() = 0;
};

// The programmatic identifier of the media library's application object.
inline constexpr std::string_view kApplicationId = "iTunes.Application";

// Creates the automation object registered under programmaticId; null when there is none or
// it cannot be started. "iTunes.Application" is the embedded library on Linux and the
// outside application, late-bound over COM, on Windows.
Ref<Application> CreateObject(std::string_view programmaticId);

}  // namespace itunes
