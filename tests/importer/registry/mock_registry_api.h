// A gmock RegistryApi. By default it passes every call on to an in-memory registry, so a
// test sets up real keys and values and overrides only the calls it wants to watch or fail.
#pragma once

#include <gmock/gmock.h>

#include "importer/registry/registry_api.h"
#include "tests/importer/registry/memory_registry_api.h"

namespace registry::testing {

class MockRegistryApi : public RegistryApi {
  public:
    MOCK_METHOD(Status, RegOpenKeyEx, (Hkey, std::string_view, Access, Hkey&), (override));
    MOCK_METHOD(Status, RegCreateKeyEx, (Hkey, std::string_view, Access, Hkey&), (override));
    MOCK_METHOD(Status, RegQueryValueEx,
                (Hkey, std::string_view, std::uint32_t*, std::uint8_t*, std::uint32_t*),
                (override));
    MOCK_METHOD(Status, RegSetValueEx,
                (Hkey, std::string_view, std::uint32_t, const std::uint8_t*, std::uint32_t),
                (override));
    MOCK_METHOD(Status, RegEnumKeyEx, (Hkey, std::uint32_t, char*, std::uint32_t&), (override));
    MOCK_METHOD(Status, RegEnumValue,
                (Hkey, std::uint32_t, char*, std::uint32_t&, std::uint32_t*, std::uint8_t*,
                 std::uint32_t*),
                (override));
    MOCK_METHOD(Status, RegDeleteKey, (Hkey, std::string_view), (override));
    MOCK_METHOD(Status, RegDeleteValue, (Hkey, std::string_view), (override));
    MOCK_METHOD(Status, RegNotifyChangeKeyValue, (Hkey, bool, std::uint32_t, EventHandle, bool),
                (override));
    MOCK_METHOD(Status, RegCloseKey, (Hkey), (override));

    void DelegateTo(MemoryRegistryApi& real) {
        using ::testing::_;
        using ::testing::Invoke;
        ON_CALL(*this, RegOpenKeyEx(_, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegOpenKeyEx));
        ON_CALL(*this, RegCreateKeyEx(_, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegCreateKeyEx));
        ON_CALL(*this, RegQueryValueEx(_, _, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegQueryValueEx));
        ON_CALL(*this, RegSetValueEx(_, _, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegSetValueEx));
        ON_CALL(*this, RegEnumKeyEx(_, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegEnumKeyEx));
        ON_CALL(*this, RegEnumValue(_, _, _, _, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegEnumValue));
        ON_CALL(*this, RegDeleteKey(_, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegDeleteKey));
        ON_CALL(*this, RegDeleteValue(_, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegDeleteValue));
        ON_CALL(*this, RegNotifyChangeKeyValue(_, _, _, _, _))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegNotifyChangeKeyValue));
        ON_CALL(*this, RegCloseKey(_))
            .WillByDefault(Invoke(&real, &MemoryRegistryApi::RegCloseKey));
    }
};

}  // namespace registry::testing
