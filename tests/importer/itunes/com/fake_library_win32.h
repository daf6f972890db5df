// The test server's library: playlists of tracks in memory, and what the tests asked of the
// server (broken members, busy reads) and counted (calls, name lookups).
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/importer/itunes/com/fake_itunes_control.h"

namespace fake_itunes {

struct WrittenValue {
    VARTYPE type = VT_EMPTY;
    std::wstring text;
};

struct TrackData {
    std::wstring location;
    std::map<std::wstring, WrittenValue> written;  // by property name as the table spells it
};

struct PlaylistData {
    std::wstring name;
    std::vector<std::shared_ptr<TrackData>> tracks;
};

struct Library {
    std::vector<std::shared_ptr<PlaylistData>> playlists;
    int busyReads = 2;
    bool addGivesStatus = true;
    // By upper-cased member name.
    std::map<std::wstring, int> broken;
    std::map<std::wstring, int> calls;
    std::map<std::wstring, int> lookups;

    int Broken(const std::wstring& upperName) const {
        const auto found = broken.find(upperName);
        return found == broken.end() ? kFakeITunesWorks : found->second;
    }
    std::shared_ptr<PlaylistData> Playlist(std::wstring_view name) const;
};

// One library per process: the server lives in the tests' apartment thread.
Library& TheLibrary();

}  // namespace fake_itunes
