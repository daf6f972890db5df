// What clsRegistry asks of the registry seam: access rights, buffer sizes, the
// ERROR_MORE_DATA retries and their limits, and keys closed on every path, failures included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "importer/registry/clsRegistry.h"
#include "tests/importer/registry/memory_registry_api.h"
#include "tests/importer/registry/mock_registry_api.h"
#include "tests/importer/registry/registry_test_support.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Eq;
using ::testing::InSequence;
using ::testing::IsNull;
using ::testing::NotNull;
using ::testing::Pointee;
using ::testing::Return;

constexpr Hkey kHive = kHkeyCurrentUser;
constexpr std::string_view kKey = "Software\\VEXO Tests\\Registry";

// A clsRegistry on a ledger over the mock, which passes on to an in-memory registry holding
// Text (REG_SZ), Number (REG_DWORD), Bytes (REG_BINARY) and the subkey Child\Grandchild.
class Seam : public ::testing::Test {
  protected:
    void SetUp() override {
        mock_.DelegateTo(real_);
        // Any call is welcome and answered by the real registry; a test's own expectations,
        // set later, take precedence over these.
        EXPECT_CALL(mock_, RegOpenKeyEx).Times(AnyNumber());
        EXPECT_CALL(mock_, RegCreateKeyEx).Times(AnyNumber());
        EXPECT_CALL(mock_, RegQueryValueEx).Times(AnyNumber());
        EXPECT_CALL(mock_, RegSetValueEx).Times(AnyNumber());
        EXPECT_CALL(mock_, RegEnumKeyEx).Times(AnyNumber());
        EXPECT_CALL(mock_, RegEnumValue).Times(AnyNumber());
        EXPECT_CALL(mock_, RegDeleteKey).Times(AnyNumber());
        EXPECT_CALL(mock_, RegDeleteValue).Times(AnyNumber());
        EXPECT_CALL(mock_, RegNotifyChangeKeyValue).Times(AnyNumber());
        EXPECT_CALL(mock_, RegCloseKey).Times(AnyNumber());
        PutValue(real_, kHive, kKey, "Text", kRegSz, "text\0"s);
        PutValue(real_, kHive, kKey, "Number", kRegDword, "\x2C\x01\0\0"s);
        PutValue(real_, kHive, kKey, "Bytes", kRegBinary, "\x01\x02\x03"s);
        PutKey(real_, kHive, std::string(kKey) + "\\Child\\Grandchild");
        object_.emplace(ledger_, services_);
    }
    void TearDown() override {
        object_.reset();
        EXPECT_EQ(ledger_.Outstanding(), 0u) << "keys left open";
        EXPECT_EQ(ledger_.StrayCloses(), 0);
        EXPECT_EQ(real_.OpenHandleCount(), 0u);
    }

    clsRegistry& reg() { return *object_; }
    void Recreate(RegistryServices services) { object_.emplace(ledger_, std::move(services)); }

    // Lets the real registry answer, and hands back what it opened.
    auto OpenAndKeep(Hkey& kept) {
        return [this, &kept](Hkey key, std::string_view subKey, Access access, Hkey& result) {
            const Status status = real_.RegOpenKeyEx(key, subKey, access, result);
            kept = result;
            return status;
        };
    }

    MemoryRegistryApi real_;
    ::testing::NiceMock<MockRegistryApi> mock_;
    HandleLedger ledger_{mock_};
    RegistryServices services_ = TestServices();
    std::optional<clsRegistry> object_;
};

// ---- Access rights -------------------------------------------------------------------------

struct AccessCase {
    const char* method;
    std::function<void(clsRegistry&)> call;
    std::set<Access> opens;
    std::set<Access> creates;
};
void PrintTo(const AccessCase& c, std::ostream* out) {
    *out << c.method;
}

class AccessRights : public Seam, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(AccessRights, EachMethodAsksForItsRights) {
    std::set<Access> opens;
    std::set<Access> creates;
    ON_CALL(mock_, RegOpenKeyEx(_, _, _, _))
        .WillByDefault([&](Hkey key, std::string_view subKey, Access access, Hkey& result) {
            opens.insert(access);
            return real_.RegOpenKeyEx(key, subKey, access, result);
        });
    ON_CALL(mock_, RegCreateKeyEx(_, _, _, _))
        .WillByDefault([&](Hkey key, std::string_view subKey, Access access, Hkey& result) {
            creates.insert(access);
            return real_.RegCreateKeyEx(key, subKey, access, result);
        });
    PutValue(real_, kHive, kKey, "Old_Text", kRegSz, "saved\0"s);
    GetParam().call(reg());
    EXPECT_EQ(opens, GetParam().opens);
    EXPECT_EQ(creates, GetParam().creates);
}

const std::string kChild = std::string(kKey) + "\\Child";
constexpr Access kEnumerate = kKeyEnumerateSubKeys | kKeyQueryValue;
FakeWindow gWindow(1, 2, 3, 4);

INSTANTIATE_TEST_SUITE_P(
    Methods, AccessRights,
    ::testing::Values(
        AccessCase{"KeyExists", [](clsRegistry& r) { r.KeyExists(kHive, kKey); }, {kKeyRead}, {}},
        AccessCase{"ValueExists",
                   [](clsRegistry& r) { r.ValueExists(kHive, kKey, "Text"); },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadBinary",
                   [](clsRegistry& r) {
                       std::vector<std::uint8_t> bytes;
                       std::int32_t size = 0;
                       r.ReadBinary(kHive, kKey, "Bytes", bytes, size);
                   },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadString",
                   [](clsRegistry& r) { r.ReadString(kHive, kKey, "Text", ""); },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadString of a DWORD",
                   [](clsRegistry& r) { r.ReadString(kHive, kKey, "Number", ""); },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadLong",
                   [](clsRegistry& r) { (void)r.ReadLong(kHive, kKey, "Text", 0, 0, 9); },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadCheckBoxState",
                   [](clsRegistry& r) { (void)r.ReadCheckBoxState(kHive, kKey, "Number", 0, 2); },
                   {kKeyRead},
                   {}},
        AccessCase{"ReadFormPos",
                   [](clsRegistry& r) { r.ReadFormPos(kHive, kKey, "Text", gWindow, true); },
                   {kKeyRead},
                   {}},
        AccessCase{"EnumStart", [](clsRegistry& r) { r.EnumStart(kHive, kKey); }, {kEnumerate}, {}},
        AccessCase{"NotifyChangeKeyValue",
                   [](clsRegistry& r) {
                       r.NotifyChangeKeyValue(kHive, kKey, false, kRegNotifyChangeLastSet, 0,
                                              false);
                   },
                   {kKeyNotify},
                   {}},
        AccessCase{"DeleteKey",
                   [](clsRegistry& r) { r.DeleteKey(kHive, kChild, "Grandchild"); },
                   {kKeyAllAccess},
                   {}},
        AccessCase{"DeleteValue",
                   [](clsRegistry& r) { r.DeleteValue(kHive, kKey, "Text"); },
                   {kKeyAllAccess},
                   {}},
        AccessCase{"DeleteKeyAndSubkeys",
                   [](clsRegistry& r) { r.DeleteKeyAndSubkeys(kHive, kKey, "Child"); },
                   {kEnumerate, kKeyAllAccess},
                   {}},
        AccessCase{"WriteString",
                   [](clsRegistry& r) { r.WriteString(kHive, kKey, "New", "x"); },
                   {},
                   {kKeyWrite}},
        AccessCase{"WriteExpandString",
                   [](clsRegistry& r) { r.WriteExpandString(kHive, kKey, "New", "x"); },
                   {},
                   {kKeyWrite}},
        AccessCase{"WriteMultiString",
                   [](clsRegistry& r) {
                       r.WriteMultiString(kHive, kKey, "New", std::vector<std::string>{"x"});
                   },
                   {},
                   {kKeyWrite}},
        AccessCase{"WriteBinary",
                   [](clsRegistry& r) {
                       const std::uint8_t byte = 1;
                       r.WriteBinary(kHive, kKey, "New", std::span(&byte, 1), 1);
                   },
                   {},
                   {kKeyWrite}},
        AccessCase{"WriteLong",
                   [](clsRegistry& r) { r.WriteLong(kHive, kKey, "New", 1, 0, 9); },
                   {},
                   {kKeyWrite}},
        AccessCase{
            "WriteLongFromString",
            [](clsRegistry& r) { (void)r.WriteLongFromString(kHive, kKey, "New", "1", 0, 9); },
            {},
            {kKeyWrite}},
        AccessCase{"WriteFormPos",
                   [](clsRegistry& r) { r.WriteFormPos(kHive, kKey, "New", gWindow); },
                   {},
                   {kKeyWrite}},
        AccessCase{"BackupWriteString",
                   [](clsRegistry& r) { r.BackupWriteString(kHive, kKey, "Other", "x", ""); },
                   {kKeyRead},
                   {kKeyWrite}},
        AccessCase{"RestoreWriteString",
                   [](clsRegistry& r) { r.RestoreWriteString(kHive, kKey, "Text"); },
                   {kKeyRead, kKeyAllAccess},
                   {kKeyWrite}}),
    [](const auto& test) {
        std::string name = test.param.method;
        std::erase(name, ' ');
        return name;
    });

// ---- Buffers ---------------------------------------------------------------------------------

TEST_F(Seam, ReadStringOffersA1024ByteBuffer) {
    EXPECT_CALL(mock_, RegQueryValueEx(_, Eq("Text"sv), NotNull(), NotNull(), Pointee(1024u)))
        .WillOnce([this](Hkey k, std::string_view n, std::uint32_t* t, std::uint8_t* d,
                         std::uint32_t* s) { return real_.RegQueryValueEx(k, n, t, d, s); });
    EXPECT_EQ(reg().ReadString(kHive, kKey, "Text", ""), "text");
}

TEST_F(Seam, ValueExistsAsksForNeitherTypeNorData) {
    EXPECT_CALL(mock_, RegQueryValueEx(_, Eq("Text"sv), IsNull(), IsNull(), IsNull()))
        .WillOnce(Return(kErrorSuccess));
    EXPECT_TRUE(reg().ValueExists(kHive, kKey, "Text"));
}

TEST_F(Seam, ReadBinaryAsksForTheSizeThenReadsIntoABufferOfIt) {
    {
        InSequence order;
        EXPECT_CALL(mock_,
                    RegQueryValueEx(_, Eq("Bytes"sv), Pointee(kRegBinary), NotNull(), Pointee(0u)));
        EXPECT_CALL(mock_, RegQueryValueEx(_, Eq("Bytes"sv), _, NotNull(), Pointee(3u)));
    }
    std::vector<std::uint8_t> bytes;
    std::int32_t size = 0;
    EXPECT_TRUE(reg().ReadBinary(kHive, kKey, "Bytes", bytes, size));
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Seam, ReadBinaryFailsWhenTheTypeChangesBetweenTheQueries) {
    EXPECT_CALL(mock_, RegQueryValueEx(_, Eq("Bytes"sv), _, NotNull(), Pointee(3u)))
        .WillOnce([](Hkey, std::string_view, std::uint32_t* type, std::uint8_t*, std::uint32_t*) {
            *type = kRegSz;
            return kErrorSuccess;
        });
    std::vector<std::uint8_t> bytes;
    std::int32_t size = 0;
    EXPECT_FALSE(reg().ReadBinary(kHive, kKey, "Bytes", bytes, size));
}

TEST_F(Seam, ExpandableTextAsksForTheSizeThenExpandsIntoIt) {
    std::vector<std::pair<bool, std::uint32_t>> calls;  // destination given, size
    services_.expandEnvironmentStrings = [&](std::string_view text, char* destination,
                                             std::uint32_t size) {
        calls.emplace_back(destination != nullptr, size);
        return ExpandFromTable({{"SystemRoot", "C:\\Windows"}}, text, destination, size);
    };
    Recreate(services_);
    PutValue(real_, kHive, kKey, "Expand", kRegExpandSz, "%SystemRoot%\\x\0"s);
    EXPECT_EQ(reg().ReadString(kHive, kKey, "Expand", ""), "C:\\Windows\\x");
    EXPECT_EQ(calls, (std::vector<std::pair<bool, std::uint32_t>>{{false, 0}, {true, 13}}));

    services_.expandEnvironmentStrings = [](std::string_view, char*, std::uint32_t) { return 0u; };
    Recreate(services_);
    EXPECT_EQ(reg().ReadString(kHive, kKey, "Expand", "default"), "")
        << "an expansion that fails gives the empty text";
}

// ---- Enumeration buffers ---------------------------------------------------------------

TEST_F(Seam, SubkeyNamesGrowBy256CharactersUpTo8192) {
    std::vector<std::uint32_t> offered;
    ON_CALL(mock_, RegEnumKeyEx(_, _, _, _))
        .WillByDefault([&](Hkey, std::uint32_t, char* name, std::uint32_t& length) {
            offered.push_back(length);
            if (length < 600) {
                return kErrorMoreData;
            }
            std::memcpy(name, "found", 6);
            length = 5;
            return kErrorSuccess;
        });
    ASSERT_TRUE(reg().EnumStart(kHive, kKey));
    std::string name;
    EXPECT_TRUE(reg().EnumKey(0, name));
    EXPECT_EQ(name, "found");
    EXPECT_EQ(offered, (std::vector<std::uint32_t>{256, 512, 768}));

    offered.clear();
    ON_CALL(mock_, RegEnumKeyEx(_, _, _, _))
        .WillByDefault([&](Hkey, std::uint32_t, char*, std::uint32_t& length) {
            offered.push_back(length);
            return kErrorMoreData;
        });
    name = "as it was";
    EXPECT_FALSE(reg().EnumKey(0, name));
    EXPECT_EQ(name, "as it was");
    ASSERT_EQ(offered.size(), 32u);
    EXPECT_EQ(offered.back(), 8192u);
}

struct Offer {
    std::uint32_t name;
    std::uint32_t data;
    bool operator==(const Offer&) const = default;
};
void PrintTo(const Offer& o, std::ostream* out) {
    *out << "{" << o.name << ", " << o.data << "}";
}

class ValueBuffers : public Seam {
  protected:
    // RegEnumValue answers ERROR_MORE_DATA reporting `reported` bytes until the data buffer
    // holds `needed` bytes.
    void Answer(std::uint32_t reported, std::uint32_t needed) {
        ON_CALL(mock_, RegEnumValue(_, _, _, _, _, _, _))
            .WillByDefault([this, reported, needed](Hkey, std::uint32_t, char* name,
                                                    std::uint32_t& nameLength, std::uint32_t* type,
                                                    std::uint8_t* data, std::uint32_t* dataSize) {
                offers.push_back({nameLength, *dataSize});
                if (*dataSize < needed) {
                    *dataSize = reported;
                    return kErrorMoreData;
                }
                std::memcpy(name, "v", 2);
                nameLength = 1;
                *type = kRegBinary;
                std::memset(data, 'd', needed);
                *dataSize = needed;
                return kErrorSuccess;
            });
    }
    bool Enum() {
        std::uint32_t type = 0;
        std::string name;
        received.clear();
        return reg().EnumValue(0, type, name, received);
    }

    std::vector<Offer> offers;
    std::string received;
};

TEST_F(ValueBuffers, DataGrowsToTheReportedSizeAnd256) {
    ASSERT_TRUE(reg().EnumStart(kHive, kKey));
    Answer(1000, 1000);
    EXPECT_TRUE(Enum());
    EXPECT_EQ(received, std::string(999, 'd'));
    EXPECT_EQ(offers, (std::vector<Offer>{{260, 256}, {16384, 1256}}));

    offers.clear();
    Answer(7936, 7936);
    EXPECT_TRUE(Enum());
    EXPECT_EQ(offers, (std::vector<Offer>{{260, 256}, {16384, 8192}}));

    offers.clear();
    Answer(7937, 7937);
    EXPECT_FALSE(Enum());
    EXPECT_EQ(offers, (std::vector<Offer>{{260, 256}})) << "8193 bytes are not offered";
}

TEST_F(ValueBuffers, ANameThatNeverFitsEndsAfterOneRepeat) {
    ASSERT_TRUE(reg().EnumStart(kHive, kKey));
    Answer(10, 100000);  // reports 10 bytes but never succeeds, as a name too long would
    EXPECT_FALSE(Enum());
    EXPECT_EQ(offers, (std::vector<Offer>{{260, 256}, {16384, 266}}));
}

// ---- Keys closed, state held -------------------------------------------------------------

// Every failure below leaves no key open: the fixture checks that after each test.
TEST_F(Seam, FailuresGiveDefaultsAndCloseTheirKeys) {
    ON_CALL(mock_, RegQueryValueEx(_, _, _, NotNull(), _))
        .WillByDefault(Return(kErrorAccessDenied));
    ON_CALL(mock_, RegSetValueEx(_, _, _, _, _)).WillByDefault(Return(kErrorAccessDenied));
    ON_CALL(mock_, RegDeleteKey(_, _)).WillByDefault(Return(kErrorAccessDenied));
    ON_CALL(mock_, RegDeleteValue(_, _)).WillByDefault(Return(kErrorAccessDenied));

    std::vector<std::uint8_t> bytes = {7};
    std::int32_t size = 0;
    EXPECT_EQ(reg().ReadString(kHive, kKey, "Text", "d"), "d");
    EXPECT_EQ(reg().ReadLong(kHive, kKey, "Number", 4, 0, 9), 4) << "unreadable: the default";
    EXPECT_FALSE(reg().ReadBinary(kHive, kKey, "Bytes", bytes, size));
    EXPECT_FALSE(reg().WriteString(kHive, kKey, "Text", "x"));
    EXPECT_FALSE(reg().WriteLong(kHive, kKey, "Number", 1, 0, 9));
    EXPECT_FALSE(reg().DeleteKey(kHive, kChild, "Grandchild"));
    EXPECT_FALSE(reg().DeleteValue(kHive, kKey, "Text"));
    EXPECT_FALSE(reg().DeleteKeyAndSubkeys(kHive, kKey, "Child"));

    ON_CALL(mock_, RegOpenKeyEx(_, _, _, _)).WillByDefault(Return(kErrorAccessDenied));
    EXPECT_FALSE(reg().KeyExists(kHive, kKey)) << "a key that refuses reading counts as absent";
}

TEST_F(Seam, ASecondEnumStartClosesTheFirstKeyBeforeOpening) {
    Hkey first = 0;
    EXPECT_CALL(mock_, RegOpenKeyEx(_, Eq(kKey), kEnumerate, _)).WillOnce(OpenAndKeep(first));
    ASSERT_TRUE(reg().EnumStart(kHive, kKey));
    {
        InSequence order;
        EXPECT_CALL(mock_, RegCloseKey(first));
        EXPECT_CALL(mock_, RegOpenKeyEx(_, Eq("Software\\Missing"sv), _, _));
    }
    EXPECT_FALSE(reg().EnumStart(kHive, "Software\\Missing"));
}

TEST_F(Seam, TheObjectsEndClosesTheEnumerationThenTheNotificationKey) {
    Hkey enumerated = 0;
    Hkey notified = 0;
    EXPECT_CALL(mock_, RegOpenKeyEx(_, _, kEnumerate, _)).WillOnce(OpenAndKeep(enumerated));
    EXPECT_CALL(mock_, RegOpenKeyEx(_, _, kKeyNotify, _)).WillOnce(OpenAndKeep(notified));
    ASSERT_TRUE(reg().EnumStart(kHive, kKey));
    ASSERT_TRUE(reg().NotifyChangeKeyValue(kHive, kKey, true, kRegNotifyChangeName, 7, true));
    EXPECT_EQ(real_.ActiveSubscriptions().size(), 1u);
    {
        InSequence order;
        EXPECT_CALL(mock_, RegCloseKey(enumerated));
        EXPECT_CALL(mock_, RegCloseKey(notified));
    }
    object_.reset();
    EXPECT_TRUE(real_.ActiveSubscriptions().empty());
}

TEST_F(Seam, NotificationHoldsOnlyAnAsynchronousKey) {
    EXPECT_CALL(mock_, RegNotifyChangeKeyValue(_, true, 0x5u, 77u, false));
    EXPECT_TRUE(reg().NotifyChangeKeyValue(kHive, kKey, true, 0x5, 77, false));
    EXPECT_EQ(ledger_.Outstanding(), 0u) << "a synchronous wait closes its key";

    EXPECT_CALL(mock_, RegNotifyChangeKeyValue(_, false, 0x4u, 78u, true)).Times(2);
    EXPECT_TRUE(reg().NotifyChangeKeyValue(kHive, kKey, false, 0x4, 78, true));
    EXPECT_TRUE(reg().NotifyChangeKeyValue(kHive, kKey, false, 0x4, 78, true));
    EXPECT_EQ(ledger_.Outstanding(), 1u) << "the second subscription replaced the first";
    EXPECT_EQ(real_.ActiveSubscriptions().size(), 1u);

    EXPECT_FALSE(reg().NotifyChangeKeyValue(kHive, "Software\\Missing", false, 0x4, 78, true));
    EXPECT_EQ(ledger_.Outstanding(), 0u) << "the held key goes even when the next open fails";
}

TEST_F(Seam, AFailedSubscriptionStillHoldsItsKeyUntilTheEnd) {
    EXPECT_CALL(mock_, RegNotifyChangeKeyValue(_, _, _, _, true))
        .WillOnce(Return(kErrorInvalidParameter));
    EXPECT_FALSE(reg().NotifyChangeKeyValue(kHive, kKey, false, 0x4, 78, true));
    EXPECT_EQ(ledger_.Outstanding(), 1u);
}

// ---- Mended faults -------------------------------------------------------------------------

TEST_F(Seam, DeleteKeyAndSubkeysEndsWhenAChildCannotBeDeleted) {
    const std::string tree = std::string(kKey) + "\\Tree";
    PutKey(real_, kHive, tree + "\\A");
    PutKey(real_, kHive, tree + "\\B\\Stubborn");
    EXPECT_CALL(mock_, RegDeleteKey(_, Eq("Stubborn"sv))).WillOnce(Return(kErrorAccessDenied));
    EXPECT_FALSE(reg().DeleteKeyAndSubkeys(kHive, kKey, "Tree"));
    EXPECT_FALSE(HasKey(real_, kHive, tree + "\\A")) << "removed before the stubborn child";
    EXPECT_TRUE(HasKey(real_, kHive, tree + "\\B\\Stubborn"));
}

TEST_F(Seam, RestoreWriteStringKeepsTheSavedCopyWhenWritingBackFails) {
    PutValue(real_, kHive, kKey, "Old_Text", kRegSz, "saved\0"s);
    EXPECT_CALL(mock_, RegSetValueEx(_, Eq("Text"sv), _, _, _))
        .WillOnce(Return(kErrorAccessDenied));
    EXPECT_CALL(mock_, RegDeleteValue(_, _)).Times(0);
    reg().RestoreWriteString(kHive, kKey, "Text");
    EXPECT_EQ(GetValue(real_, kHive, kKey, "Old_Text"), (StoredValue{kRegSz, "saved\0"s}));
}

TEST_F(Seam, BackupWriteStringStopsWhenTheSavedCopyCannotBeWritten) {
    EXPECT_CALL(mock_, RegSetValueEx(_, Eq("Old_Text"sv), _, _, _))
        .WillOnce(Return(kErrorAccessDenied));
    EXPECT_CALL(mock_, RegSetValueEx(_, Eq("Text"sv), _, _, _)).Times(0);
    EXPECT_FALSE(reg().BackupWriteString(kHive, kKey, "Text", "new", ""));
}

TEST_F(Seam, BackupWriteStringRefusesALongTextItCannotRead) {
    PutValue(real_, kHive, kKey, "Long", kRegSz, std::string(2000, 'x') + '\0');
    ON_CALL(mock_, RegQueryValueEx(_, Eq("Long"sv), _, NotNull(), _))
        .WillByDefault(Return(kErrorAccessDenied));
    EXPECT_CALL(mock_, RegSetValueEx(_, _, _, _, _)).Times(0);
    EXPECT_FALSE(reg().BackupWriteString(kHive, kKey, "Long", "new", ""));
}

TEST_F(Seam, WriteBinaryPastTheEndTouchesNoKey) {
    EXPECT_CALL(mock_, RegCreateKeyEx(_, _, _, _)).Times(0);
    const std::vector<std::uint8_t> bytes = {1, 2};
    EXPECT_FALSE(reg().WriteBinary(kHive, kKey, "Bytes", bytes, 3));
}

}  // namespace
}  // namespace registry::testing
