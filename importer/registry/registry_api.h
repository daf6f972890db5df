// The registry operations that clsRegistry needs, shaped as the Windows registry's ANSI
// functions: the same arguments, buffers and status codes. Windows binds them to advapi32
// (registry_api_win32.cpp); elsewhere the embedded registry store answers them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace registry {

using Hkey = std::uint32_t;         // a key handle: a predefined hive or an opened key
using Status = std::int32_t;        // 0 on success, else a Windows error code
using Access = std::uint32_t;       // REGSAM
using EventHandle = std::uint32_t;  // an event of the platform layer (common/event.h)

// Predefined hives, by their handle values.
inline constexpr Hkey kHkeyClassesRoot = 0x80000000;
inline constexpr Hkey kHkeyCurrentUser = 0x80000001;
inline constexpr Hkey kHkeyLocalMachine = 0x80000002;
inline constexpr Hkey kHkeyUsers = 0x80000003;
inline constexpr Hkey kHkeyPerformanceData = 0x80000004;
inline constexpr Hkey kHkeyCurrentConfig = 0x80000005;
inline constexpr Hkey kHkeyDynData = 0x80000006;

// Status codes the store reports.
inline constexpr Status kErrorSuccess = 0;
inline constexpr Status kErrorFileNotFound = 2;
inline constexpr Status kErrorAccessDenied = 5;
inline constexpr Status kErrorInvalidHandle = 6;
inline constexpr Status kErrorInvalidParameter = 87;
inline constexpr Status kErrorMoreData = 234;
inline constexpr Status kErrorNoMoreItems = 259;
inline constexpr Status kErrorKeyDeleted = 1018;  // the key behind an open handle was deleted
inline constexpr Status kErrorNoSystemResources = 1450;  // a key deeper than 512 levels

// What the registry holds at most, in characters (UTF-16 code units, as Windows counts them).
inline constexpr std::size_t kMaxKeyNameLength = 255;  // one level of a key's path
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;  // levels below a hive

// Access rights.
inline constexpr Access kKeyQueryValue = 0x0001;
inline constexpr Access kKeySetValue = 0x0002;
inline constexpr Access kKeyCreateSubKey = 0x0004;
inline constexpr Access kKeyEnumerateSubKeys = 0x0008;
inline constexpr Access kKeyNotify = 0x0010;
inline constexpr Access kKeyCreateLink = 0x0020;
inline constexpr Access kKeyRead = 0x20019;
inline constexpr Access kKeyWrite = 0x20006;
inline constexpr Access kKeyAllAccess = 0xF003F;

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Change-notification filter bits.
inline constexpr std::uint32_t kRegNotifyChangeName = 0x1;
inline constexpr std::uint32_t kRegNotifyChangeAttributes = 0x2;
inline constexpr std::uint32_t kRegNotifyChangeLastSet = 0x4;
inline constexpr std::uint32_t kRegNotifyChangeSecurity = 0x8;

// Key paths use "\" between levels on every platform; names compare without regard to case.
class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    // An empty subKey opens a further handle to key itself.
    virtual Status RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) = 0;

    // Creates every missing level of subKey (no class, non-volatile, default security), or
    // opens it when it exists.
    virtual Status RegCreateKeyEx(Hkey key, std::string_view subKey, Access access,
                                  Hkey& result) = 0;

    // As RegQueryValueExA: type, data and dataSize may each be null. With data null and
    // dataSize set, the value's size is reported. With data set and *dataSize too small,
    // kErrorMoreData and the needed size in *dataSize. The empty name is the default value.
    virtual Status RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* dataSize) = 0;

    virtual Status RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t dataSize) = 0;

    // As RegEnumKeyExA: nameLength is the buffer's size in characters on the way in (NUL
    // included) and the name's length (NUL not counted) on the way out; kErrorMoreData when
    // the name and its NUL do not fit; kErrorNoMoreItems past the last subkey.
    virtual Status RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                                std::uint32_t& nameLength) = 0;

    // As RegEnumValueA, with the same conventions for the name and for the data as
    // RegQueryValueEx for type, data and dataSize.
    virtual Status RegEnumValue(Hkey key, std::uint32_t index, char* name,
                                std::uint32_t& nameLength, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* dataSize) = 0;

    // Refuses (kErrorAccessDenied) a key that still has subkeys.
    virtual Status RegDeleteKey(Hkey key, std::string_view subKey) = 0;

    virtual Status RegDeleteValue(Hkey key, std::string_view valueName) = 0;

    // Synchronous: returns once a change in scope has happened. Asynchronous: returns at once
    // and signals event on the next change, for as long as key stays open.
    virtual Status RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                           EventHandle event, bool asynchronous) = 0;

    // Predefined hives are never closed; closing one is accepted and does nothing.
    virtual Status RegCloseKey(Hkey key) = 0;

    // Runs the changes as one: where the registry keeps transactions (the store), all of them
    // take effect or, when they return a failure, none does; elsewhere each takes effect as it
    // runs, and the caller checks what it can beforehand. Returns the changes' status.
    virtual Status RunAsOneChange(const std::function<Status()>& changes) { return changes(); }
};

// The registry of this machine: advapi32 on Windows, the machine prefix's store elsewhere.
RegistryApi& SystemRegistryApi();

}  // namespace registry
