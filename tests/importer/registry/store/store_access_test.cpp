// Handles and access rights.
#include <functional>
#include <set>

#include "common/event.h"
#include "tests/importer/registry/store/store_test_support.h"

namespace registry::testing {
namespace {

using Operation = std::function<Status(RegistryApi&, Hkey)>;

struct RightCase {
    const char* label;
    Access needed;
    Operation operation;
};

Status QueryValue(RegistryApi& api, Hkey key) {
    std::uint32_t size = 0;
    return api.RegQueryValueEx(key, "v", nullptr, nullptr, &size);
}

Status EnumValue(RegistryApi& api, Hkey key) {
    char name[16];
    std::uint32_t length = sizeof name;
    return api.RegEnumValue(key, 0, name, length, nullptr, nullptr, nullptr);
}

Status EnumKey(RegistryApi& api, Hkey key) {
    char name[16];
    std::uint32_t length = sizeof name;
    return api.RegEnumKeyEx(key, 0, name, length);
}

Status SetSomeValue(RegistryApi& api, Hkey key) {
    return SetValue(api, key, "w", kRegDword, DwordBytes(1));
}

Status DeleteValue(RegistryApi& api, Hkey key) {
    return api.RegDeleteValue(key, "v");
}

// The event of an asynchronous notification outlives the call.
Status Notify(RegistryApi& api, Hkey key) {
    static const common::EventHandle event = common::CreateEventHandle(false, false);
    return api.RegNotifyChangeKeyValue(key, false, kRegNotifyChangeLastSet, event, true);
}

const RightCase kRightCases[] = {
    {"QueryValue", kKeyQueryValue, QueryValue}, {"EnumValue", kKeyQueryValue, EnumValue},
    {"SetValue", kKeySetValue, SetSomeValue},   {"DeleteValue", kKeySetValue, DeleteValue},
    {"EnumKey", kKeyEnumerateSubKeys, EnumKey}, {"Notify", kKeyNotify, Notify},
};

class RightTest : public StoreTest, public ::testing::WithParamInterface<RightCase> {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        const Hkey key = Create(kHkeyCurrentUser, "Guarded");
        ASSERT_EQ(SetValue(api(), key, "v", kRegDword, DwordBytes(1)), kErrorSuccess);
        Create(key, "Sub");
    }
};

TEST_P(RightTest, OperationNeedsItsRight) {
    const RightCase& right = GetParam();
    const Hkey without = Open(kHkeyCurrentUser, "Guarded", kKeyAllAccess & ~right.needed);
    EXPECT_EQ(right.operation(api(), without), kErrorAccessDenied);
    const Hkey with = Open(kHkeyCurrentUser, "Guarded", right.needed);
    EXPECT_EQ(right.operation(api(), with), kErrorSuccess);
}

TEST_P(RightTest, UnknownAndClosedHandlesAreInvalid) {
    const RightCase& right = GetParam();
    const Hkey key = Open(kHkeyCurrentUser, "Guarded");
    ASSERT_EQ(api().RegCloseKey(key), kErrorSuccess);
    EXPECT_EQ(right.operation(api(), key), kErrorInvalidHandle);
    EXPECT_EQ(right.operation(api(), 0), kErrorInvalidHandle);
    EXPECT_EQ(right.operation(api(), 0x7FFFFFF0), kErrorInvalidHandle);
}

TEST_P(RightTest, HandleOfADeletedKeyAnswersKeyDeleted) {
    const Hkey key = Open(kHkeyCurrentUser, "Guarded");
    ASSERT_EQ(api().RegDeleteKey(key, "Sub"), kErrorSuccess);
    ASSERT_EQ(api().RegDeleteKey(kHkeyCurrentUser, "Guarded"), kErrorSuccess);
    EXPECT_EQ(GetParam().operation(api(), key), kErrorKeyDeleted);
}

INSTANTIATE_TEST_SUITE_P(Operations, RightTest, ::testing::ValuesIn(kRightCases),
                         [](const auto& entry) { return std::string(entry.param.label); });

TEST_F(StoreTest, GenericRightsMapToKeyRights) {
    Create(kHkeyCurrentUser, "Generic");
    const Hkey read = Open(kHkeyCurrentUser, "Generic", 0x80000000);  // GENERIC_READ
    EXPECT_EQ(EnumKey(api(), read), kErrorNoMoreItems);
    EXPECT_EQ(SetSomeValue(api(), read), kErrorAccessDenied);
    const Hkey write = Open(kHkeyCurrentUser, "Generic", 0x40000000);  // GENERIC_WRITE
    EXPECT_EQ(SetSomeValue(api(), write), kErrorSuccess);
    EXPECT_EQ(QueryValue(api(), write), kErrorAccessDenied);
    const Hkey all = Open(kHkeyCurrentUser, "Generic", 0x02000000);  // MAXIMUM_ALLOWED
    EXPECT_EQ(QueryValue(api(), all), kErrorFileNotFound);
}

TEST_F(StoreTest, CreatingOrDeletingBelowAHandleNeedsNoRightOnIt) {
    const Hkey notify = Create(kHkeyCurrentUser, "Parent", kKeyNotify);
    const Hkey child = Create(notify, "Child", kKeySetValue);
    EXPECT_NE(child, 0u);
    EXPECT_EQ(api().RegDeleteKey(notify, "Child"), kErrorSuccess);
}

TEST_F(StoreTest, HandleValuesAreDistinctAndNeverHives) {
    std::set<Hkey> handles;
    for (int i = 0; i < 50; ++i) {
        const Hkey key = Open(kHkeyCurrentUser, "");
        EXPECT_EQ(key, kHkeyCurrentUser);
        const Hkey opened = Create(kHkeyCurrentUser, "K");
        EXPECT_GE(opened, 0x100u);
        EXPECT_LT(opened, kHkeyClassesRoot);
        EXPECT_EQ(opened % 4, 0u);
        EXPECT_TRUE(handles.insert(opened).second);
    }
    for (const Hkey handle : handles) {
        EXPECT_EQ(api().RegCloseKey(handle), kErrorSuccess);
        EXPECT_EQ(api().RegCloseKey(handle), kErrorInvalidHandle);
    }
}

}  // namespace
}  // namespace registry::testing
