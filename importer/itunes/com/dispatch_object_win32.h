// An automation object called by member names at run time (late binding): the name is turned
// into a DISPID by GetIDsOfNames, then IDispatch::Invoke gets or puts the value. No type
// information is compiled in. Every call reports failure as a value.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/win32/scoped_win.h"

namespace itunes::com {

using common::win32::ComPtr;
using common::win32::Variant;

// What an object is to the import; objects of one kind answer to the same members.
enum class ObjectKind { Application, Sources, Source, Playlists, Playlist, Tracks, Track, Status };

// The DISPIDs already looked up, per object kind, for the objects of one application: a
// search over a playlist reads Location on every track and would otherwise ask for its DISPID
// once per track. Only lookups that succeeded are kept, so a member the application was too
// busy to name is asked for again. Used on the thread of the application's apartment only.
class DispidCache {
  public:
    std::optional<DISPID> Find(ObjectKind kind, std::wstring_view member) const;
    void Remember(ObjectKind kind, std::wstring_view member, DISPID id);

  private:
    std::map<std::pair<ObjectKind, std::wstring>, DISPID> ids_;
};

// The object a VARIANT holds (VT_DISPATCH, or VT_UNKNOWN that offers IDispatch); empty for
// Nothing and for values of other kinds.
ComPtr<IDispatch> DispatchOf(const VARIANT& value);

class DispatchObject {
  public:
    DispatchObject(ComPtr<IDispatch> object, ObjectKind kind, std::shared_ptr<DispidCache> cache)
        : object_(std::move(object)), kind_(kind), cache_(std::move(cache)) {}

    // A property get or method call whose result is an object. Empty when the call failed; an
    // empty pointer when it succeeded without an object (Nothing, or a value of another kind).
    std::optional<ComPtr<IDispatch>> GetObject(std::wstring_view member);
    std::optional<ComPtr<IDispatch>> GetObject(std::wstring_view member,
                                               std::string_view textArgument);

    // Property gets, the value converted as a Variant would be; empty when the call failed or
    // gave no value.
    std::optional<std::string> GetText(std::wstring_view member);
    std::optional<bool> GetBool(std::wstring_view member);

    // Property puts (VT_BSTR, VT_I4, VT_I2); true when the object accepted the value.
    bool PutText(std::wstring_view member, std::string_view value);
    bool PutInt32(std::wstring_view member, std::int32_t value);
    bool PutInt16(std::wstring_view member, std::int16_t value);

    // The object's enumerator (its _NewEnum), which hands out its items one by one.
    ComPtr<IEnumVARIANT> NewEnum();

    // Makes an object of the same application.
    DispatchObject Child(ComPtr<IDispatch> object, ObjectKind kind) const {
        return DispatchObject(std::move(object), kind, cache_);
    }

  private:
    std::optional<DISPID> Id(std::wstring_view member);
    // A get or method call with at most one argument; the result lands in result.
    bool Get(std::wstring_view member, VARIANT* argument, Variant& result);
    bool Put(std::wstring_view member, VARIANT& value);

    ComPtr<IDispatch> object_;
    ObjectKind kind_;
    std::shared_ptr<DispidCache> cache_;
};

}  // namespace itunes::com
