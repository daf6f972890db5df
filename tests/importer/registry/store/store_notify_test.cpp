// Change notification within one process: through the same store object (handed over by the
// writer) and through another connection to the same file (found by the watcher thread).
//
// That a subscription did NOT fire is established without waiting for time to pass: a second
// subscription, registered after it and concerned by every change, is signalled by the same
// pass that judged the first one, and never before it.
#include <atomic>
#include <functional>
#include <thread>

#include "common/event.h"
#include "importer/registry/store/store_status.h"
#include "tests/importer/registry/store/store_test_support.h"

namespace registry::testing {
namespace {

using common::WaitForEventHandle;
using common::WaitResult;
using std::chrono::milliseconds;

Status SetIn(RegistryApi& api, const char* path) {
    Hkey key = 0;
    Status status = api.RegCreateKeyEx(kHkeyCurrentUser, path, kKeyAllAccess, key);
    if (status == kErrorSuccess) {
        status = SetValue(api, key, "n", kRegDword, DwordBytes(1));
        api.RegCloseKey(key);
    }
    return status;
}

Status DeleteValueIn(RegistryApi& api, const char* path) {
    Hkey key = 0;
    Status status = api.RegOpenKeyEx(kHkeyCurrentUser, path, kKeySetValue, key);
    if (status == kErrorSuccess) {
        status = api.RegDeleteValue(key, "v");
        api.RegCloseKey(key);
    }
    return status;
}

Status CreateKey(RegistryApi& api, const char* path) {
    Hkey key = 0;
    const Status status = api.RegCreateKeyEx(kHkeyCurrentUser, path, kKeyAllAccess, key);
    api.RegCloseKey(key);
    return status;
}

Status DeleteKey(RegistryApi& api, const char* path) {
    return api.RegDeleteKey(kHkeyCurrentUser, path);
}

enum class Writer { SameObject, OtherConnection };

class NotifyTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        for (const char* path : {"W\\C\\G", "W\\Leaf", "Sibling"}) {
            Create(kHkeyCurrentUser, path);
        }
        for (const char* path : {"W", "W\\C", "W\\C\\G", "W\\Leaf", "Sibling"}) {
            ASSERT_EQ(SetValue(api(), Open(kHkeyCurrentUser, path), "v", kRegDword, DwordBytes(1)),
                      kErrorSuccess);
        }
    }

    RegistryApi& WriterApi(Writer writer) {
        if (writer == Writer::SameObject) {
            return api();
        }
        if (!other_.has_value()) {
            other_.emplace(StorePath());
        }
        return *other_;
    }

    // A subscription on the whole of HKEY_CURRENT_USER, for every kind of change.
    void ArmCanary() {
        ASSERT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, true,
                                                kRegNotifyChangeName | kRegNotifyChangeLastSet,
                                                canary_.get(), true),
                  kErrorSuccess);
    }
    // Returns once every subscription registered before the canary has judged the change.
    void AwaitCanary() {
        ASSERT_EQ(WaitForEventHandle(canary_.get(), kGuard), WaitResult::Signalled);
    }

    std::optional<StoreRegistryApi> other_;
    common::ScopedEvent canary_{true, false};
};

struct ScopeCase {
    const char* label;
    const char* watched;
    bool watchSubtree;
    std::uint32_t filter;
    std::function<Status(RegistryApi&)> change;
    bool signalled;
};

class NotifyScopeTest : public NotifyTest,
                        public ::testing::WithParamInterface<std::tuple<ScopeCase, Writer>> {};

TEST_P(NotifyScopeTest, SignalsExactlyForChangesInScope) {
    const auto& [scope, writer] = GetParam();
    const Hkey watched = Open(kHkeyCurrentUser, scope.watched, kKeyNotify);
    const common::ScopedEvent event(true, false);
    ASSERT_EQ(
        api().RegNotifyChangeKeyValue(watched, scope.watchSubtree, scope.filter, event.get(), true),
        kErrorSuccess);
    ArmCanary();
    ASSERT_EQ(scope.change(WriterApi(writer)), kErrorSuccess);
    AwaitCanary();
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)),
              scope.signalled ? WaitResult::Signalled : WaitResult::TimedOut);
}

constexpr std::uint32_t kName = kRegNotifyChangeName;
constexpr std::uint32_t kLastSet = kRegNotifyChangeLastSet;

const ScopeCase kScopeCases[] = {
    {"ValueSet", "W", false, kLastSet, [](RegistryApi& a) { return SetIn(a, "W"); }, true},
    {"ValueDeleted", "W", false, kLastSet, [](RegistryApi& a) { return DeleteValueIn(a, "W"); },
     true},
    {"SubkeyAdded", "W", false, kName, [](RegistryApi& a) { return CreateKey(a, "W\\New"); }, true},
    {"LevelsAddedBelow", "W", false, kName, [](RegistryApi& a) { return CreateKey(a, "W\\X\\Y"); },
     true},
    {"SubkeyDeleted", "W", false, kName, [](RegistryApi& a) { return DeleteKey(a, "W\\Leaf"); },
     true},
    {"ValueSetButNamesWatched", "W", false, kName, [](RegistryApi& a) { return SetIn(a, "W"); },
     false},
    {"SubkeyAddedButValuesWatched", "W", false, kLastSet,
     [](RegistryApi& a) { return CreateKey(a, "W\\New"); }, false},
    {"SubkeyDeletedButValuesWatched", "W", true, kLastSet,
     [](RegistryApi& a) { return DeleteKey(a, "W\\Leaf"); }, false},
    {"ValueSetInChild", "W", false, kLastSet, [](RegistryApi& a) { return SetIn(a, "W\\C"); },
     false},
    {"ValueSetInGrandchildOfSubtree", "W", true, kLastSet,
     [](RegistryApi& a) { return SetIn(a, "W\\C\\G"); }, true},
    {"SubkeyAddedInChild", "W", false, kName,
     [](RegistryApi& a) { return CreateKey(a, "W\\C\\New"); }, false},
    {"SubkeyAddedDeepInSubtree", "W", true, kName,
     [](RegistryApi& a) { return CreateKey(a, "W\\C\\G\\New"); }, true},
    {"ChangeInSibling", "W", true, kName | kLastSet,
     [](RegistryApi& a) { return SetIn(a, "Sibling"); }, false},
    {"ChangeInParent", "W\\C", true, kName | kLastSet, [](RegistryApi& a) { return SetIn(a, "W"); },
     false},
    {"WatchedKeyDeleted", "W\\Leaf", false, kLastSet,
     [](RegistryApi& a) { return DeleteKey(a, "W\\Leaf"); }, true},
};

INSTANTIATE_TEST_SUITE_P(Changes, NotifyScopeTest,
                         ::testing::Combine(::testing::ValuesIn(kScopeCases),
                                            ::testing::Values(Writer::SameObject,
                                                              Writer::OtherConnection)),
                         [](const auto& entry) {
                             return std::string(std::get<0>(entry.param).label) +
                                    (std::get<1>(entry.param) == Writer::SameObject
                                         ? "_SameObject"
                                         : "_OtherConnection");
                         });

// A synchronous RegNotifyChangeKeyValue running on a thread of its own.
class SynchronousWait {
  public:
    SynchronousWait(RegistryApi& api, Hkey key, std::uint32_t filter)
        : api_(api), key_(key), thread_([this, filter] {
              status_ = api_.RegNotifyChangeKeyValue(key_, false, filter, 0, false);
              common::SetEventHandle(returned_.get());
          }) {}
    ~SynchronousWait() {
        if (thread_.joinable()) {
            Finish();
        }
    }

    bool Returned() const {
        return WaitForEventHandle(returned_.get(), milliseconds(0)) == WaitResult::Signalled;
    }

    // The call's status once it has returned. Should it still be waiting after the guard
    // time, closing its key ends the wait (with a status that fails the test) rather than
    // leaving the test hanging.
    Status Finish() {
        if (WaitForEventHandle(returned_.get(), kGuard) != WaitResult::Signalled) {
            api_.RegCloseKey(key_);
        }
        thread_.join();
        return status_;
    }

  private:
    RegistryApi& api_;
    const Hkey key_;
    const common::ScopedEvent returned_{true, false};
    Status status_ = -1;
    std::thread thread_;
};

class NotifyWriterTest : public NotifyTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(NotifyWriterTest, SubscriptionFiresOnce) {
    const Hkey watched = Open(kHkeyCurrentUser, "W", kKeyNotify);
    const common::ScopedEvent event(true, false);
    ASSERT_EQ(api().RegNotifyChangeKeyValue(watched, false, kLastSet, event.get(), true),
              kErrorSuccess);
    ASSERT_EQ(SetIn(WriterApi(GetParam()), "W"), kErrorSuccess);
    ASSERT_EQ(WaitForEventHandle(event.get(), kGuard), WaitResult::Signalled);
    ASSERT_TRUE(common::ResetEventHandle(event.get()));
    ArmCanary();
    ASSERT_EQ(SetIn(WriterApi(GetParam()), "W"), kErrorSuccess);
    AwaitCanary();
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
}

TEST_P(NotifyWriterTest, SynchronousCallReturnsAfterAChange) {
    const Hkey watched = Open(kHkeyCurrentUser, "W", kKeyNotify);
    SynchronousWait wait(api(), watched, kLastSet);
    // The call may not have begun waiting yet, so change until it has seen a change.
    const auto giveUp = std::chrono::steady_clock::now() + kGuard;
    while (!wait.Returned() && std::chrono::steady_clock::now() < giveUp) {
        EXPECT_EQ(SetIn(WriterApi(GetParam()), "W"), kErrorSuccess);
    }
    EXPECT_EQ(wait.Finish(), kErrorSuccess);
}

TEST_P(NotifyWriterTest, ClosingTheHandleSignalsAndEndsTheSubscription) {
    // A hive's handle too: the hive stays open, but what was begun on its handle ends.
    for (const Hkey watched : {Open(kHkeyCurrentUser, "W", kKeyNotify), kHkeyCurrentUser}) {
        SCOPED_TRACE(watched);
        const common::ScopedEvent event(true, false);
        ASSERT_EQ(api().RegNotifyChangeKeyValue(watched, true, kName | kLastSet, event.get(), true),
                  kErrorSuccess);
        ASSERT_EQ(api().RegCloseKey(watched), kErrorSuccess);
        EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::Signalled);
        ASSERT_TRUE(common::ResetEventHandle(event.get()));
        ArmCanary();
        ASSERT_EQ(SetIn(WriterApi(GetParam()), "W"), kErrorSuccess);
        AwaitCanary();
        EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, NotifyWriterTest,
                         ::testing::Values(Writer::SameObject, Writer::OtherConnection),
                         [](const auto& entry) {
                             return entry.param == Writer::SameObject ? "SameObject"
                                                                      : "OtherConnection";
                         });

TEST_F(NotifyTest, AOneChangeSignalsOnlyOnceCommitted) {
    const Hkey watched = Open(kHkeyCurrentUser, "W", kKeyNotify);
    const common::ScopedEvent event(true, false);
    ASSERT_EQ(api().RegNotifyChangeKeyValue(watched, false, kLastSet, event.get(), true),
              kErrorSuccess);
    const auto changeW = [this](Status outcome) {
        return api().RunAsOneChange([&] {
            const Status status = SetIn(api(), "W");
            return status != kErrorSuccess ? status : outcome;
        });
    };
    ASSERT_EQ(changeW(kErrorAccessDenied), kErrorAccessDenied);
    ArmCanary();
    ASSERT_EQ(SetIn(api(), "Sibling"), kErrorSuccess);
    AwaitCanary();
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
    ASSERT_EQ(changeW(kErrorSuccess), kErrorSuccess);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::Signalled);
}

TEST_F(NotifyTest, ANotificationRegisteredInAOneChangeRolledBackMissesNothingLater) {
    const Hkey watched = Open(kHkeyCurrentUser, "W", kKeyNotify);
    const common::ScopedEvent event(true, false);
    ASSERT_EQ(api().RunAsOneChange([&] {
        const Status status = SetIn(api(), "Sibling");
        return status != kErrorSuccess ? status
               : api().RegNotifyChangeKeyValue(watched, false, kLastSet, event.get(), true) ==
                       kErrorSuccess
                   ? kErrorAccessDenied
                   : kErrorSuccess;
    }),
              kErrorAccessDenied);
    // The rolled-back change's number goes to the next change, which it must not hide.
    ASSERT_EQ(SetIn(WriterApi(Writer::OtherConnection), "W"), kErrorSuccess);
    EXPECT_EQ(WaitForEventHandle(event.get(), kGuard), WaitResult::Signalled);
}

TEST_F(NotifyTest, SynchronousCallOnADeletedKeyEndsWithKeyDeleted) {
    const Hkey watched = Open(kHkeyCurrentUser, "W\\Leaf", kKeyNotify);
    SynchronousWait wait(api(), watched, kLastSet);
    // Whether the deletion comes before the call or during its wait, the answer is the same.
    ASSERT_EQ(DeleteKey(WriterApi(Writer::OtherConnection), "W\\Leaf"), kErrorSuccess);
    EXPECT_EQ(wait.Finish(), kErrorKeyDeleted);
}

TEST_F(NotifyTest, RegisteringResetsTheEvent) {
    const common::ScopedEvent event(true, true);
    ASSERT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, false, kLastSet, event.get(), true),
              kErrorSuccess);
    EXPECT_EQ(WaitForEventHandle(event.get(), milliseconds(0)), WaitResult::TimedOut);
}

TEST_F(NotifyTest, BadArgumentsAreRefused) {
    const common::ScopedEvent event(true, false);
    EXPECT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, false, 0x20, event.get(), true),
              kErrorInvalidParameter);
    EXPECT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, false, kLastSet, 0, true),
              kErrorInvalidParameter);
    const common::EventHandle closed = common::CreateEventHandle(true, false);
    ASSERT_TRUE(common::CloseEventHandle(closed));
    EXPECT_EQ(api().RegNotifyChangeKeyValue(kHkeyCurrentUser, false, kLastSet, closed, true),
              kErrorInvalidHandle);
}

}  // namespace
}  // namespace registry::testing
