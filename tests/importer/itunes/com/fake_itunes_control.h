// The test server's in-memory library, as the tests set it up and inspect it. The server is a
// DLL registered as "iTunes.Application"; these plain C functions reach its library directly,
// beside the automation objects the binding under test calls.
#pragma once

#ifdef VEXO_FAKE_ITUNES_SERVER
#define VEXO_FAKE_ITUNES_API __declspec(dllexport)
#else
#define VEXO_FAKE_ITUNES_API
#endif

// The server's class, as registry text.
#define VEXO_FAKE_ITUNES_CLSID L"{6E0A8F3C-2B1D-4C57-9E64-3A5B7D1F0C92}"

// How a member of the automation objects can be broken.
enum FakeITunesBreak {
    kFakeITunesWorks = 0,
    kFakeITunesUnknownName = 1,  // GetIDsOfNames and Invoke do not know it
    kFakeITunesCallFails = 2,    // Invoke raises an exception, with its texts, as a busy server
};

extern "C" {

// A fresh library: the source "Library" with the playlists "Library" and "Movies", no tracks,
// every member working, an add taking two busy reads, no counts.
VEXO_FAKE_ITUNES_API void FakeITunesReset();
// An add reports InProgress True this many times before it completes.
VEXO_FAKE_ITUNES_API void FakeITunesSetBusyReads(int reads);
// Whether AddFile gives an operation status (else it succeeds with Nothing).
VEXO_FAKE_ITUNES_API void FakeITunesSetAddGivesStatus(int gives);
VEXO_FAKE_ITUNES_API void FakeITunesBreakMember(const wchar_t* member, int how);

// A track already in the playlist, at its end.
VEXO_FAKE_ITUNES_API void FakeITunesAddTrack(const wchar_t* playlist, const wchar_t* location);
VEXO_FAKE_ITUNES_API int FakeITunesTrackCount(const wchar_t* playlist);
// The value of a track's property as text (Location, or one that was written); returns the
// VARTYPE it was written with, VT_BSTR for the location, or 0 (VT_EMPTY) when never written.
VEXO_FAKE_ITUNES_API int FakeITunesTrackProperty(const wchar_t* playlist, int index,
                                                 const wchar_t* property, wchar_t* text,
                                                 int capacity);

// How often a member was invoked, and how often its name was looked up.
VEXO_FAKE_ITUNES_API int FakeITunesCalls(const wchar_t* member);
VEXO_FAKE_ITUNES_API int FakeITunesLookups(const wchar_t* member);
// Automation objects and enumerators alive: 0 once every reference was released.
VEXO_FAKE_ITUNES_API long FakeITunesLiveObjects();
}
