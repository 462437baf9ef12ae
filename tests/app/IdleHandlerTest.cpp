#include <gtest/gtest.h>

#include "app/DeviceEventRing.h"
#include "app/IdleHandler.h"
#include "app/ParameterIndex.h"
#include "tests/app/DeviceFixture.h"

TEST(DeviceEventRing, HoldsSevenEventsAndDropsTheRest) {
    DeviceEventRing ring;
    int pushed = 0;
    for (int i = 0; i < 10; ++i) pushed += ring.Push(MirovanHAL::Event(i)) ? 1 : 0;
    EXPECT_EQ(pushed, 7);

    MirovanHAL::Event e;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(ring.Pop(&e));
        EXPECT_EQ(int(e), i);
    }
    EXPECT_FALSE(ring.Pop(&e));

    // Wrapping around keeps the order.
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(ring.Push(MirovanHAL::Event(round)));
        ASSERT_TRUE(ring.Push(MirovanHAL::Event(round + 100)));
        ASSERT_TRUE(ring.Pop(&e));
        EXPECT_EQ(int(e), round);
        ASSERT_TRUE(ring.Pop(&e));
        EXPECT_EQ(int(e), round + 100);
    }
    EXPECT_TRUE(ring.Empty());
}

namespace {

class RecordingWindows : public IdleHandler::Windows {
  public:
    void ShowConnectionLost(bool show) override { shown.push_back(show); }
    void FirmwareNeedsUpdate() override { ++firmware; }
    void DeviceReopened() override { ++reopened; }
    std::vector<bool> shown;
    int firmware = 0;
    int reopened = 0;
};

class IdleHandlerTest : public DeviceFixture {
  protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        OpenDevice();
        idle = std::make_unique<IdleHandler>(wrapper.get(), &windows);
    }

    void Passes(int n) {
        for (int i = 0; i < n; ++i) idle->Pass();
    }

    RecordingWindows windows;
    std::unique_ptr<IdleHandler> idle;
};

}  // namespace

TEST_F(IdleHandlerTest, MirrorsTheDeviceRateWithoutWritingItBack) {
    idle->Pass();
    EXPECT_EQ(UserValue(param::kSampleRate), 1.0f);

    ASSERT_TRUE(model.SetRateFromOutside(96000));
    bus->Settle();
    idle->Pass();
    EXPECT_EQ(UserValue(param::kSampleRate), 4.0f);
    EXPECT_EQ(model.NominalRate(), 96000u);

    // A closed device has no rate: the parameter keeps its last value.
    hal()->Close();
    ASSERT_TRUE(model.SetRateFromOutside(48000));
    bus->Settle();
    Passes(3);
    EXPECT_EQ(UserValue(param::kSampleRate), 4.0f);
}

TEST_F(IdleHandlerTest, StatusIsPolledOnEveryEighthPass) {
    model.SetInUse(true);
    bus->Settle();
    Passes(7);
    EXPECT_EQ(Value(param::kInUse), 0.0f);
    EXPECT_TRUE(windows.shown.empty());
    idle->Pass();
    EXPECT_EQ(Value(param::kInUse), 1.0f);
    EXPECT_EQ(windows.shown, std::vector<bool>{false});

    model.SetInUse(false);
    bus->Settle();
    Passes(8);
    EXPECT_EQ(Value(param::kInUse), 0.0f);
}

TEST_F(IdleHandlerTest, ExternalSyncAndLockFollowTheDevice) {
    Passes(8);
    EXPECT_EQ(Value(param::kExternalSync), 0.0f);
    EXPECT_EQ(Value(param::kSyncLocked), 1.0f);  // the internal clock is always locked

    // Another program switches the device to external sync with no input to lock to.
    hal()->SetValueDirect(AVCMsg{114, 1});
    Passes(8);
    EXPECT_EQ(Value(param::kExternalSync), 1.0f);
    EXPECT_EQ(Value(param::kSyncLocked), 0.0f);

    // The mirror goes only one way: the device keeps what it was set to.
    EXPECT_TRUE(model.ExternalSync());
}

TEST_F(IdleHandlerTest, LostDeviceShowsTheWindowAndItsReturnResendsTheSettings) {
    Passes(8);
    bus->Unplug();
    Passes(8);  // the first failed access closes the device
    EXPECT_FALSE(hal()->IsOpen());
    ASSERT_FALSE(windows.shown.empty());
    EXPECT_TRUE(windows.shown.back());
    EXPECT_EQ(windows.reopened, 0);

    bus->Plug();
    model.ClearWrites();
    Passes(8);
    EXPECT_TRUE(hal()->IsOpen());
    EXPECT_FALSE(windows.shown.back());
    EXPECT_EQ(windows.reopened, 1);

    // Staying open is no reopening.
    Passes(16);
    EXPECT_EQ(windows.reopened, 1);
}

TEST_F(IdleHandlerTest, DeviceEventsAreHandledOnceAtTheNextPass) {
    idle->Queue(MirovanHAL::EventFirmwareNeedsUpdate);
    EXPECT_EQ(windows.firmware, 0);
    idle->Pass();
    EXPECT_EQ(windows.firmware, 1);
    Passes(3);
    EXPECT_EQ(windows.firmware, 1);
}

namespace {

class OutdatedDevice : public DeviceFixture {
  protected:
    OutdatedDevice()
        : DeviceFixture([] {
              devsim::DeviceModelOptions o;
              o.firmwareBuild = 4762;
              return o;
          }()) {}
};

class QueueingObserver : public MirovanHAL::Observer {
  public:
    explicit QueueingObserver(IdleHandler* idle) : idle(idle) {}
    void MirovanHALEvent(MirovanHAL::Event e) override { idle->Queue(e); }
    IdleHandler* idle;
};

}  // namespace

TEST_F(OutdatedDevice, IsReportedWhenObservedBeforeTheFirstOpen) {
    RecordingWindows windows;
    IdleHandler idle(wrapper.get(), &windows);
    QueueingObserver observer(&idle);
    hal()->AddObserver(&observer);
    EXPECT_NE(hal()->Open(), 0);
    idle.Pass();
    EXPECT_EQ(windows.firmware, 1);
    EXPECT_FALSE(hal()->IsOpen());

    // Later keep-open checks neither reopen it nor report it again.
    for (int i = 0; i < 16; ++i) idle.Pass();
    EXPECT_EQ(windows.firmware, 1);
    EXPECT_FALSE(hal()->IsOpen());
    EXPECT_EQ(windows.reopened, 0);
}
