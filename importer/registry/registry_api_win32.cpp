// The registry operations on advapi32's ANSI functions. Key handles cross the seam as their
// 32-bit values; the predefined hives' values are Windows' own (HKEY_CURRENT_USER is
// 0x80000001), so they pass through unchanged. Change notifications signal real event handles
// (common/win32/event_win32.cpp).
#include <windows.h>
// <windows.h> names the A functions by macros that would rename the methods of our seam.
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegDeleteKey
#undef RegDeleteValue

#include <string>

#include "common/win32/handle_value.h"
#include "importer/registry/registry_api.h"

namespace registry {

namespace {

HKEY KeyHandle(Hkey key) {
    return common::win32::HandleFromValue<HKEY>(key);
}

// The A functions read C strings: a name holding a NUL would name a shorter one, so it names
// none.
bool HoldsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// Windows' DWORD is unsigned long, ours std::uint32_t: sizes and types cross through copies,
// which keep the "pointer may be null" rule of the calls.
class DwordInOut {
  public:
    explicit DwordInOut(std::uint32_t* value)
        : value_(value), copy_(value != nullptr ? *value : 0) {}
    ~DwordInOut() {
        if (value_ != nullptr) {
            *value_ = static_cast<std::uint32_t>(copy_);
        }
    }
    DwordInOut(const DwordInOut&) = delete;
    DwordInOut& operator=(const DwordInOut&) = delete;
    DWORD* get() { return value_ != nullptr ? &copy_ : nullptr; }

  private:
    std::uint32_t* value_;
    DWORD copy_;
};

class AdvapiRegistryApi final : public RegistryApi {
  public:
    Status RegOpenKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override {
        if (HoldsNul(subKey)) {
            return kErrorFileNotFound;
        }
        HKEY opened = nullptr;
        const LONG status =
            ::RegOpenKeyExA(KeyHandle(key), std::string(subKey).c_str(), 0, access, &opened);
        if (status == ERROR_SUCCESS) {
            result = common::win32::HandleValue(opened);
        }
        return status;
    }

    Status RegCreateKeyEx(Hkey key, std::string_view subKey, Access access, Hkey& result) override {
        if (HoldsNul(subKey)) {
            return kErrorInvalidParameter;
        }
        HKEY created = nullptr;
        const LONG status =
            ::RegCreateKeyExA(KeyHandle(key), std::string(subKey).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, access, nullptr, &created, nullptr);
        if (status == ERROR_SUCCESS) {
            result = common::win32::HandleValue(created);
        }
        return status;
    }

    Status RegQueryValueEx(Hkey key, std::string_view valueName, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* dataSize) override {
        if (HoldsNul(valueName)) {
            return kErrorFileNotFound;
        }
        DwordInOut typeCopy(type);
        DwordInOut sizeCopy(dataSize);
        return ::RegQueryValueExA(KeyHandle(key), std::string(valueName).c_str(), nullptr,
                                  typeCopy.get(), data, sizeCopy.get());
    }

    Status RegSetValueEx(Hkey key, std::string_view valueName, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t dataSize) override {
        if (HoldsNul(valueName)) {
            return kErrorInvalidParameter;
        }
        return ::RegSetValueExA(KeyHandle(key), std::string(valueName).c_str(), 0, type, data,
                                dataSize);
    }

    Status RegEnumKeyEx(Hkey key, std::uint32_t index, char* name,
                        std::uint32_t& nameLength) override {
        DwordInOut length(&nameLength);
        return ::RegEnumKeyExA(KeyHandle(key), index, name, length.get(), nullptr, nullptr, nullptr,
                               nullptr);
    }

    Status RegEnumValue(Hkey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                        std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
        DwordInOut length(&nameLength);
        DwordInOut typeCopy(type);
        DwordInOut sizeCopy(dataSize);
        return ::RegEnumValueA(KeyHandle(key), index, name, length.get(), nullptr, typeCopy.get(),
                               data, sizeCopy.get());
    }

    Status RegDeleteKey(Hkey key, std::string_view subKey) override {
        if (HoldsNul(subKey)) {
            return kErrorFileNotFound;
        }
        return ::RegDeleteKeyA(KeyHandle(key), std::string(subKey).c_str());
    }

    Status RegDeleteValue(Hkey key, std::string_view valueName) override {
        if (HoldsNul(valueName)) {
            return kErrorFileNotFound;
        }
        return ::RegDeleteValueA(KeyHandle(key), std::string(valueName).c_str());
    }

    Status RegNotifyChangeKeyValue(Hkey key, bool watchSubtree, std::uint32_t filter,
                                   EventHandle event, bool asynchronous) override {
        return ::RegNotifyChangeKeyValue(KeyHandle(key), watchSubtree, filter,
                                         common::win32::HandleFromValue<HANDLE>(event),
                                         asynchronous);
    }

    Status RegCloseKey(Hkey key) override { return ::RegCloseKey(KeyHandle(key)); }
};

}  // namespace

RegistryApi& SystemRegistryApi() {
    static AdvapiRegistryApi api;
    return api;
}

}  // namespace registry
