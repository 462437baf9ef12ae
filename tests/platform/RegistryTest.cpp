#include <gtest/gtest.h>

#include "platform/DeviceRegistry.h"
#include "platform/RegistryPublisher.h"
#include "platform/RunLoop.h"

namespace {

using namespace platform;

struct Seen {
    int matched = 0;
    std::vector<RegistryEntry> taken;
    std::vector<uint32_t> messages;
};

void OnMatch(void* refcon, ServiceIterator* it) {
    auto* seen = static_cast<Seen*>(refcon);
    ++seen->matched;
    while (RegistryEntry e = IteratorNext(it)) seen->taken.push_back(e);
}

void OnInterest(void* refcon, RegistryEntry, uint32_t message, void*) {
    static_cast<Seen*>(refcon)->messages.push_back(message);
}

const MatchingDictionary kMatch{"TestDevice", {{"Maker", "Kestrovel"}}};

TEST(Registry, MatchesClassAndEveryPropertyAndDeliversOnTheRunLoop) {
    NotificationPort* port = NotificationPortCreate();
    Seen seen;
    ServiceIterator* it = nullptr;
    ASSERT_EQ(AddMatchingNotification(port, kMatch, &OnMatch, &seen, &it), 0);
    OnMatch(&seen, it);  // arm: nothing there yet
    seen = {};

    RegistryEntry root = RegistryPublish(0, {"Root", {}, {{"GUID", 42}}});
    RegistryPublish(root, {"TestDevice", {{"Maker", "Other"}}, {}});
    RegistryPublish(root, {"OtherClass", {{"Maker", "Kestrovel"}}, {}});
    RegistryEntry wanted =
        RegistryPublish(root, {"TestDevice", {{"Maker", "Kestrovel"}, {"X", "y"}}, {}});
    EXPECT_EQ(seen.matched, 0);
    RunMainRunLoopPending();
    EXPECT_EQ(seen.matched, 1);
    EXPECT_EQ(seen.taken, std::vector<RegistryEntry>{wanted});

    uint64_t guid = 0;
    EXPECT_EQ(RegistryEntryGetParent(wanted), root);
    EXPECT_TRUE(RegistryEntryGetNumberProperty(root, "GUID", &guid));
    EXPECT_EQ(guid, 42u);
    EXPECT_FALSE(RegistryEntryGetNumberProperty(root, "Missing", &guid));

    InterestNotification* interest = nullptr;
    ASSERT_EQ(AddInterestNotification(port, root, &OnInterest, &seen, &interest), 0);
    RegistryTerminate(root);  // takes its children along
    EXPECT_EQ(RegistryEntryGetParent(wanted), 0u);
    EXPECT_FALSE(RegistryEntryGetNumberProperty(root, "GUID", &guid));
    RunMainRunLoopPending();
    EXPECT_EQ(seen.messages, std::vector<uint32_t>{kMessageServiceIsTerminated});
    InterestNotification* late = nullptr;
    EXPECT_NE(AddInterestNotification(port, root, &OnInterest, &seen, &late), 0);
    EXPECT_EQ(late, nullptr);

    ReleaseInterestNotification(interest);
    ReleaseIterator(it);
    NotificationPortDestroy(port);
}

TEST(Registry, ReleasedNotificationsAreNeverCalledEvenWithWorkQueued) {
    NotificationPort* port = NotificationPortCreate();
    Seen seen;
    ServiceIterator* it = nullptr;
    ASSERT_EQ(AddMatchingNotification(port, kMatch, &OnMatch, &seen, &it), 0);
    RegistryEntry device = RegistryPublish(0, {"TestDevice", {{"Maker", "Kestrovel"}}, {}});
    InterestNotification* interest = nullptr;
    ASSERT_EQ(AddInterestNotification(port, device, &OnInterest, &seen, &interest), 0);
    RegistryTerminate(device);
    ReleaseIterator(it);
    ReleaseInterestNotification(interest);
    RunMainRunLoopPending();
    EXPECT_EQ(seen.matched, 0);
    EXPECT_TRUE(seen.messages.empty());

    // A service that was gone before anyone took it is not handed out.
    ASSERT_EQ(AddMatchingNotification(port, kMatch, &OnMatch, &seen, &it), 0);
    RegistryTerminate(RegistryPublish(0, {"TestDevice", {{"Maker", "Kestrovel"}}, {}}));
    RunMainRunLoopPending();
    EXPECT_TRUE(seen.taken.empty());
    ReleaseIterator(it);
    NotificationPortDestroy(port);
}

}  // namespace
