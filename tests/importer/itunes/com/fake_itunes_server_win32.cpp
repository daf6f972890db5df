// A COM server registered as "iTunes.Application" for the tests: the application, its
// sources, playlists, tracks and operation statuses as IDispatch objects over the in-memory
// library, an in-process class factory, and the tests' control functions.
#include <windows.h>

#include <oleauto.h>

#include <algorithm>

#include "common/win32/scoped_win.h"
#include "tests/importer/itunes/com/fake_dispatch_win32.h"
#include "tests/importer/itunes/com/fake_library_win32.h"

// COM objects end in their own Release, never by a delete through an interface pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace fake_itunes {

std::shared_ptr<PlaylistData> Library::Playlist(std::wstring_view name) const {
    for (const auto& playlist : playlists) {
        if (playlist->name == name) {
            return playlist;
        }
    }
    return nullptr;
}

Library& TheLibrary() {
    static Library library;
    return library;
}

namespace {

class FakeTrack : public FakeObject {
  public:
    explicit FakeTrack(std::shared_ptr<TrackData> track) : track_(std::move(track)) {}

  protected:
    std::span<const Member> Members() const override {
        static constexpr Member kMembers[] = {
            {L"Location", 1},      {L"Show", 2}, {L"SeasonNumber", 3}, {L"EpisodeID", 4},
            {L"EpisodeNumber", 5}, {L"Name", 6}, {L"SortName", 7},     {L"VideoKind", 8}};
        return kMembers;
    }
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        if (id == 1) {
            return IsGet(flags, parameters, result) ? ReturnText(result, track_->location)
                                                    : DISP_E_MEMBERNOTFOUND;
        }
        const std::wstring property = Members()[static_cast<std::size_t>(id - 1)].name;
        if (IsGet(flags, parameters, result)) {
            const auto found = track_->written.find(property);
            return ReturnText(result, found == track_->written.end() ? L"" : found->second.text);
        }
        const VARIANT* value = PutValue(flags, parameters);
        if (value == nullptr) {
            return DISP_E_MEMBERNOTFOUND;
        }
        // Kept as text with the type it came in, for the tests to check both.
        common::win32::Variant text;
        // VariantChangeType leaves its source as it is, for all its parameter's type says.
        if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(value), 0, VT_BSTR))) {
            return DISP_E_TYPEMISMATCH;
        }
        const BSTR written = (*text).bstrVal;
        track_->written[property] = {value->vt, std::wstring(written, SysStringLen(written))};
        return S_OK;
    }

  private:
    std::shared_ptr<TrackData> track_;
};

// Hands out the tracks the playlist held when the enumeration began.
class FakeTrackEnumerator : public IEnumVARIANT {
  public:
    explicit FakeTrackEnumerator(std::vector<std::shared_ptr<TrackData>> tracks,
                                 std::size_t next = 0)
        : tracks_(std::move(tracks)), next_(next) {
        InterlockedIncrement(&liveObjects);
    }
    virtual ~FakeTrackEnumerator() { InterlockedDecrement(&liveObjects); }
    FakeTrackEnumerator(const FakeTrackEnumerator&) = delete;
    FakeTrackEnumerator& operator=(const FakeTrackEnumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IEnumVARIANT)) {
            *object = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        if (items == nullptr || (fetched == nullptr && count != 1)) {
            return E_POINTER;
        }
        ULONG given = 0;
        for (; given < count && next_ < tracks_.size(); ++given, ++next_) {
            ReturnObject(&items[given], new FakeTrack(tracks_[next_]));
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        next_ = std::min(tracks_.size(), next_ + static_cast<std::size_t>(count));
        return next_ < tracks_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
        if (copy == nullptr) {
            return E_POINTER;
        }
        *copy = new FakeTrackEnumerator(tracks_, next_);
        return S_OK;
    }

  private:
    LONG references_ = 1;
    std::vector<std::shared_ptr<TrackData>> tracks_;
    std::size_t next_;
};

class FakeTracks : public FakeObject {
  public:
    explicit FakeTracks(std::shared_ptr<PlaylistData> playlist) : playlist_(std::move(playlist)) {}

  protected:
    std::span<const Member> Members() const override {
        static constexpr Member kMembers[] = {{L"_NewEnum", DISPID_NEWENUM}, {L"Count", 1}};
        return kMembers;
    }
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        if (!IsGet(flags, parameters, result)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (id == 1) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(playlist_->tracks.size());
            return S_OK;
        }
        result->vt = VT_UNKNOWN;
        result->punkVal = new FakeTrackEnumerator(playlist_->tracks);
        return S_OK;
    }

  private:
    std::shared_ptr<PlaylistData> playlist_;
};

// An add in progress: it completes at the read after the busy ones, and only then is the
// track there - a file that does not exist, or one the playlist already holds, adds none.
class FakeOperationStatus : public FakeObject {
  public:
    FakeOperationStatus(std::shared_ptr<PlaylistData> playlist, std::wstring path, int busyReads)
        : playlist_(std::move(playlist)), path_(std::move(path)), busyReads_(busyReads) {}

  protected:
    std::span<const Member> Members() const override {
        static constexpr Member kMembers[] = {{L"InProgress", 1}};
        return kMembers;
    }
    HRESULT Call(DISPID, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        if (!IsGet(flags, parameters, result)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (busyReads_ > 0) {
            --busyReads_;
            return ReturnBool(result, true);
        }
        if (!completed_) {
            completed_ = true;
            Complete();
        }
        return ReturnBool(result, false);
    }

  private:
    void Complete() {
        const DWORD attributes = GetFileAttributesW(path_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return;
        }
        const std::wstring key = Upper(path_);
        for (const auto& track : playlist_->tracks) {
            if (Upper(track->location) == key) {
                return;
            }
        }
        auto track = std::make_shared<TrackData>();
        track->location = path_;
        playlist_->tracks.push_back(std::move(track));
    }

    std::shared_ptr<PlaylistData> playlist_;
    std::wstring path_;
    int busyReads_;
    bool completed_ = false;
};

class FakePlaylist : public FakeObject {
  public:
    explicit FakePlaylist(std::shared_ptr<PlaylistData> playlist)
        : playlist_(std::move(playlist)) {}

  protected:
    std::span<const Member> Members() const override {
        static constexpr Member kMembers[] = {{L"AddFile", 1}, {L"Tracks", 2}};
        return kMembers;
    }
    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        if (id == 2) {
            return IsGet(flags, parameters, result)
                       ? ReturnObject(result, new FakeTracks(playlist_))
                       : DISP_E_MEMBERNOTFOUND;
        }
        std::wstring path;
        if (!TextArgument(flags, parameters, result, path)) {
            return DISP_E_TYPEMISMATCH;
        }
        const Library& library = TheLibrary();
        if (!library.addGivesStatus) {
            return S_OK;  // the result stays Empty
        }
        return ReturnObject(result,
                            new FakeOperationStatus(playlist_, std::move(path), library.busyReads));
    }

  private:
    std::shared_ptr<PlaylistData> playlist_;
};

// An object whose one member gets a new object: the application's Sources, a source's
// Playlists.
class FakeParent : public FakeObject {
  public:
    FakeParent(const wchar_t* member, IDispatch* (*child)()) : member_{member, 1}, child_(child) {}

  protected:
    std::span<const Member> Members() const override { return {&member_, 1}; }
    HRESULT Call(DISPID, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        return IsGet(flags, parameters, result) ? ReturnObject(result, child_())
                                                : DISP_E_MEMBERNOTFOUND;
    }

  private:
    Member member_;
    IDispatch* (*child_)();
};

// A collection whose ItemByName gives the item of that name, or Nothing - not a failure - for
// a name it does not have.
class FakeNamedItems : public FakeObject {
  public:
    explicit FakeNamedItems(IDispatch* (*item)(const std::wstring& name)) : item_(item) {}

  protected:
    std::span<const Member> Members() const override {
        static constexpr Member kMembers[] = {{L"ItemByName", 1}};
        return kMembers;
    }
    HRESULT Call(DISPID, WORD flags, const DISPPARAMS& parameters, VARIANT* result) override {
        std::wstring name;
        if (!TextArgument(flags, parameters, result, name)) {
            return DISP_E_TYPEMISMATCH;
        }
        return ReturnObject(result, item_(name));
    }

  private:
    IDispatch* (*item_)(const std::wstring& name);
};

IDispatch* NewPlaylists() {
    return new FakeNamedItems([](const std::wstring& name) -> IDispatch* {
        const std::shared_ptr<PlaylistData> playlist = TheLibrary().Playlist(name);
        return playlist ? new FakePlaylist(playlist) : nullptr;
    });
}

IDispatch* NewLibrarySource() {
    return new FakeParent(L"Playlists", NewPlaylists);
}

IDispatch* NewSources() {
    return new FakeNamedItems([](const std::wstring& name) -> IDispatch* {
        return name == L"Library" ? NewLibrarySource() : nullptr;
    });
}

// The one class factory, never freed.
class ApplicationFactory : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        const auto application =
            common::win32::ComPtr<IDispatch>::Adopt(new FakeParent(L"Sources", NewSources));
        return application->QueryInterface(id, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ApplicationFactory theFactory;

}  // namespace
}  // namespace fake_itunes

using fake_itunes::TheLibrary;

extern "C" {

// Exported undecorated by the module definition file, as COM looks them up.
HRESULT __stdcall DllGetClassObject(REFCLSID classId, REFIID id, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    CLSID served;
    if (FAILED(CLSIDFromString(VEXO_FAKE_ITUNES_CLSID, &served)) ||
        !IsEqualCLSID(classId, served)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return fake_itunes::theFactory.QueryInterface(id, object);
}

// The tests keep the server loaded for the whole run.
HRESULT __stdcall DllCanUnloadNow() {
    return S_FALSE;
}

void FakeITunesReset() {
    fake_itunes::Library& library = TheLibrary();
    library = fake_itunes::Library();
    for (const wchar_t* name : {L"Library", L"Movies"}) {
        auto playlist = std::make_shared<fake_itunes::PlaylistData>();
        playlist->name = name;
        library.playlists.push_back(std::move(playlist));
    }
}

void FakeITunesSetBusyReads(int reads) {
    TheLibrary().busyReads = reads;
}

void FakeITunesSetAddGivesStatus(int gives) {
    TheLibrary().addGivesStatus = gives != 0;
}

void FakeITunesBreakMember(const wchar_t* member, int how) {
    TheLibrary().broken[fake_itunes::Upper(member)] = how;
}

void FakeITunesAddTrack(const wchar_t* playlist, const wchar_t* location) {
    if (const auto found = TheLibrary().Playlist(playlist)) {
        auto track = std::make_shared<fake_itunes::TrackData>();
        track->location = location;
        found->tracks.push_back(std::move(track));
    }
}

int FakeITunesTrackCount(const wchar_t* playlist) {
    const auto found = TheLibrary().Playlist(playlist);
    return found ? static_cast<int>(found->tracks.size()) : -1;
}

int FakeITunesTrackProperty(const wchar_t* playlist, int index, const wchar_t* property,
                            wchar_t* text, int capacity) {
    const auto found = TheLibrary().Playlist(playlist);
    if (!found || index < 0 || static_cast<std::size_t>(index) >= found->tracks.size() ||
        capacity <= 0) {
        return VT_EMPTY;
    }
    const fake_itunes::TrackData& track = *found->tracks[static_cast<std::size_t>(index)];
    fake_itunes::WrittenValue value{VT_BSTR, track.location};
    if (std::wstring_view(property) != L"Location") {
        const auto written = track.written.find(property);
        value = written == track.written.end() ? fake_itunes::WrittenValue() : written->second;
    }
    const std::size_t length = std::min(value.text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(value.text.begin(), length, text);
    text[length] = L'\0';
    return value.type;
}

int FakeITunesCalls(const wchar_t* member) {
    return TheLibrary().calls[fake_itunes::Upper(member)];
}

int FakeITunesLookups(const wchar_t* member) {
    return TheLibrary().lookups[fake_itunes::Upper(member)];
}

long FakeITunesLiveObjects() {
    return fake_itunes::liveObjects;
}
}
