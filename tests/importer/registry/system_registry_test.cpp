// What advapi32 answers through the registry seam on Windows: the predefined hives by their
// values, the buffer and status conventions clsRegistry relies on, texts through the ANSI code
// page, and change notifications on real event handles. Everything is written below a scratch
// key of the test's own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "common/event.h"
#include "importer/registry/clsRegistry.h"
#include "tests/importer/registry/registry_test_support.h"
#include "tests/importer/registry/scratch_registry_api.h"
#include "tests/support/hang_guard.h"

namespace registry::testing {
namespace {

using namespace std::string_literals;

constexpr std::chrono::milliseconds kGuard = vexo::test_support::kHangGuard;
constexpr std::chrono::milliseconds kNow{0};

class SystemRegistry : public ::testing::Test {
  protected:
    // A key of this test below the real HKEY_CURRENT_USER, written without the scratch
    // registry's hive mapping.
    std::string Key(std::string_view relative = "") const {
        return scratch_.Root() + "\\Direct" + (relative.empty() ? "" : "\\") +
               std::string(relative);
    }

    RegistryApi& system_ = SystemRegistryApi();
    ScratchRegistryApi scratch_{system_};
};

TEST_F(SystemRegistry, PredefinedHivesAreTheirOwnHandleValues) {
    for (const Hkey hive : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers}) {
        Hkey key = 0;
        ASSERT_EQ(system_.RegOpenKeyEx(hive, "", kKeyRead, key), kErrorSuccess) << hive;
        EXPECT_EQ(system_.RegCloseKey(key), kErrorSuccess);
        EXPECT_EQ(system_.RegCloseKey(hive), kErrorSuccess) << "closing a hive is accepted";
    }
    Hkey software = 0;
    ASSERT_EQ(system_.RegOpenKeyEx(kHkeyLocalMachine, "SOFTWARE\\Microsoft", kKeyRead, software),
              kErrorSuccess);
    system_.RegCloseKey(software);

    PutValue(system_, kHkeyCurrentUser, Key(), "Direct", kRegSz, "written\0"s);
    EXPECT_EQ(GetValue(system_, kHkeyCurrentUser, Key(), "direct"),
              (StoredValue{kRegSz, "written\0"s}));
    Hkey missing = 0;
    EXPECT_EQ(system_.RegOpenKeyEx(kHkeyCurrentUser, Key("Missing"), kKeyRead, missing),
              kErrorFileNotFound);
}

TEST_F(SystemRegistry, BuffersThatAreTooSmallReportTheSizeTheyNeed) {
    PutValue(system_, kHkeyCurrentUser, Key(), "Text", kRegSz, "twelve bytes"s + '\0');
    PutKey(system_, kHkeyCurrentUser, Key(std::string(40, 'k')));
    Hkey key = 0;
    ASSERT_EQ(system_.RegOpenKeyEx(kHkeyCurrentUser, Key(), kKeyRead, key), kErrorSuccess);

    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(system_.RegQueryValueEx(key, "Text", &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 13u);
    std::uint8_t small[4] = {};
    size = sizeof small;
    EXPECT_EQ(system_.RegQueryValueEx(key, "Text", &type, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(system_.RegQueryValueEx(key, "Text", nullptr, nullptr, nullptr), kErrorSuccess);
    EXPECT_EQ(system_.RegQueryValueEx(key, "Missing", nullptr, nullptr, nullptr),
              kErrorFileNotFound);

    char name[41] = {};
    std::uint32_t length = 40;  // one short of the name and its NUL
    EXPECT_EQ(system_.RegEnumKeyEx(key, 0, name, length), kErrorMoreData);
    length = sizeof name;
    EXPECT_EQ(system_.RegEnumKeyEx(key, 0, name, length), kErrorSuccess);
    EXPECT_EQ(length, 40u);
    EXPECT_EQ(std::string(name, length), std::string(40, 'k'));
    length = sizeof name;
    EXPECT_EQ(system_.RegEnumKeyEx(key, 1, name, length), kErrorNoMoreItems);
    system_.RegCloseKey(key);
}

TEST_F(SystemRegistry, AKeyWithSubkeysIsNotDeleted) {
    PutKey(system_, kHkeyCurrentUser, Key("Parent\\Child"));
    Hkey key = 0;
    ASSERT_EQ(system_.RegOpenKeyEx(kHkeyCurrentUser, Key(), kKeyAllAccess, key), kErrorSuccess);
    EXPECT_NE(system_.RegDeleteKey(key, "Parent"), kErrorSuccess);
    EXPECT_EQ(system_.RegDeleteKey(key, "Parent\\Child"), kErrorSuccess);
    EXPECT_EQ(system_.RegDeleteKey(key, "Parent"), kErrorSuccess);
    system_.RegCloseKey(key);
}

TEST_F(SystemRegistry, TextsCrossInTheAnsiCodePage) {
    // Latin small e with acute in the Western code page that Windows uses for English.
    const std::string name = "caf\xE9";
    const std::string text = "\xE9t\xE9";
    PutValue(system_, kHkeyCurrentUser, Key(), name, kRegSz, text + '\0');
    clsRegistry reg(system_, TestServices());
    EXPECT_EQ(reg.ReadString(kHkeyCurrentUser, Key(), name, "missing"), text);
    std::string found;
    ASSERT_TRUE(reg.EnumStart(kHkeyCurrentUser, Key()));
    std::uint32_t type = 0;
    std::string data;
    EXPECT_TRUE(reg.EnumValue(0, type, found, data));
    reg.EnumEnd();
    EXPECT_EQ(found, name);
    EXPECT_EQ(data, text);
}

TEST_F(SystemRegistry, AnAsynchronousSubscriptionSignalsItsEvent) {
    PutKey(scratch_, kHkeyCurrentUser, "Watched");
    const common::ScopedEvent changed(true, false);
    ASSERT_NE(changed.get(), 0u);
    clsRegistry reg(scratch_, TestServices());
    ASSERT_TRUE(reg.NotifyChangeKeyValue(kHkeyCurrentUser, "Watched", true,
                                         kRegNotifyChangeName | kRegNotifyChangeLastSet,
                                         changed.get(), true));
    EXPECT_EQ(common::WaitForEventHandle(changed.get(), kNow), common::WaitResult::TimedOut);
    PutKey(scratch_, kHkeyCurrentUser, "Watched\\Deeper\\New");
    EXPECT_EQ(common::WaitForEventHandle(changed.get(), kGuard), common::WaitResult::Signalled);
}

TEST_F(SystemRegistry, ASynchronousWaitReturnsOnceTheKeyChanges) {
    PutKey(scratch_, kHkeyCurrentUser, "Watched");
    std::atomic<bool> returned{false};
    bool result = false;
    std::thread waiter([&] {
        clsRegistry reg(scratch_, TestServices());
        result = reg.NotifyChangeKeyValue(kHkeyCurrentUser, "Watched", false,
                                          kRegNotifyChangeLastSet, 0, false);
        returned = true;
    });
    // The wait may not have begun when a write lands: write until it returns.
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    for (std::int32_t round = 0; !returned && std::chrono::steady_clock::now() < deadline;
         ++round) {
        PutDword(scratch_, kHkeyCurrentUser, "Watched", "Round", round);
        std::this_thread::yield();
    }
    waiter.join();
    EXPECT_TRUE(result);
}

}  // namespace
}  // namespace registry::testing
