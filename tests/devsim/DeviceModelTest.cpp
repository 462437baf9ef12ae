#include "devsim/DeviceModel.h"

#include <gtest/gtest.h>

#include "tests/devsim/WireBytes.h"

namespace {

using namespace devsim;
using devsim_test::AVCFrame;
using devsim_test::Get32;
using devsim_test::Pairs;

class DeviceModelTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(model.Open(kDeviceNodeID, &session), kFWASuccess); }

    FWAStatus Read(uint32_t reg, uint32_t* value) {
        uint8_t b[4];
        FWAStatus s = model.ReadQuadlet(session, kRegisterSpaceHi, 4 * reg, b);
        if (s == kFWASuccess) *value = Get32(b);
        return s;
    }
    FWAStatus Write(uint32_t reg, uint32_t value) {
        uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                        uint8_t(value)};
        return model.WriteQuadlet(session, kRegisterSpaceHi, 4 * reg, b);
    }
    FWAStatus Block(const std::vector<uint8_t>& payload, uint32_t lo = kBlockCommandLo) {
        return model.WriteBlock(session, kRegisterSpaceHi, lo, payload.data(),
                                uint32_t(payload.size()));
    }
    FWAStatus AVC(const std::vector<uint8_t>& frame, std::vector<uint8_t>* response) {
        return model.ExecuteAVC(session, frame.data(), uint32_t(frame.size()), response);
    }
    uint32_t Reg(uint32_t reg) {
        uint32_t v = 0;
        model.Register(reg, &v);
        return v;
    }

    DeviceModel model;
    uint64_t session = 0;
};

TEST_F(DeviceModelTest, QuadletsTravelBigEndianAndEveryPathIsLoggedInOrder) {
    uint8_t bytes[4] = {0x12, 0x34, 0x56, 0x78};
    ASSERT_EQ(model.WriteQuadlet(session, kRegisterSpaceHi, 4 * 87, bytes), kFWASuccess);
    EXPECT_EQ(Reg(87), 0x12345678u);
    uint8_t back[4] = {};
    ASSERT_EQ(model.ReadQuadlet(session, kRegisterSpaceHi, 4 * 87, back), kFWASuccess);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(bytes, bytes + 4));

    ASSERT_EQ(Block(Pairs({{3, 30}, {40, 400}})), kFWASuccess);
    std::vector<uint8_t> response;
    ASSERT_EQ(AVC(AVCFrame(0x00, {{112, 1}, {114, 0}}), &response), kFWASuccess);
    // One register as a one-quadlet block at its own address, as the open's probe writes it.
    ASSERT_EQ(Block({0, 0, 0, 9}, 0), kFWASuccess);

    std::vector<RegisterWrite> expected{{87, 0x12345678}, {3, 30},  {40, 400},
                                        {112, 1},         {114, 0}, {0, 9}};
    EXPECT_EQ(model.Writes(), expected);
    EXPECT_EQ(model.TakeWrites(), expected);
    EXPECT_TRUE(model.Writes().empty());
}

TEST_F(DeviceModelTest, RejectsWhatTheDeviceWouldAndKeepsWorking) {
    uint32_t v = 0;
    uint8_t b[4] = {0, 0, 0, 1};
    EXPECT_EQ(Read(56, &v), kFWABadArgument);  // unused register
    EXPECT_EQ(Read(113, &v), kFWABadArgument);
    EXPECT_EQ(Read(115, &v), kFWABadArgument);  // past the register space
    EXPECT_EQ(Write(90, 1), kFWABadArgument);   // meter
    EXPECT_EQ(Write(108, 1), kFWABadArgument);  // status
    EXPECT_EQ(Write(65, 1), kFWABadArgument);
    EXPECT_EQ(model.WriteQuadlet(session, kRegisterSpaceHi, 4 * 3 + 2, b),
              kFWABadArgument);  // misaligned
    EXPECT_EQ(model.WriteQuadlet(session, kInfoBlockHi, kInfoBlockLo, b),
              kFWABadArgument);  // read-only block
    EXPECT_EQ(model.ReadQuadlet(session, kInfoBlockHi, kInfoBlockLo + 4 * 26, b), kFWABadArgument);
    EXPECT_EQ(model.ReadQuadlet(session, 0x0002, 0, b), kFWABadArgument);

    std::vector<uint8_t> good = Pairs({{1, 11}, {2, 22}});
    std::vector<uint8_t> partial(good.begin(), good.end() - 4);
    EXPECT_EQ(Block(partial), kFWABadArgument);                    // not whole pairs
    EXPECT_EQ(Block(Pairs({{1, 11}, {90, 5}})), kFWABadArgument);  // one bad id spoils the batch
    EXPECT_EQ(Block(Pairs({{1, 11}, {200, 5}})), kFWABadArgument);
    EXPECT_EQ(Block(std::vector<uint8_t>(kMaxBlockBytes + 8, 0)), kFWABadArgument);
    EXPECT_EQ(Block(std::vector<uint8_t>(8, 0), 4 * 5),
              kFWABadArgument);  // register address, 8 bytes
    EXPECT_TRUE(model.Writes().empty());
    EXPECT_EQ(Reg(1), 0u);

    EXPECT_EQ(Block(good), kFWASuccess);
    EXPECT_EQ(Reg(2), 22u);
    EXPECT_EQ(model.Writes().size(), 2u);
}

TEST_F(DeviceModelTest, MalformedAVCFramesAreRefusedWholeAndNothingApplies) {
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
        FWAStatus expected;
    } cases[] = {
        {"ctype", 0, 0x02, kFWAUnsupported},        {"subunit", 1, 0x20, kFWAUnsupported},
        {"opcode", 2, 0x01, kFWAUnsupported},       {"company id", 4, 0x00, kFWAUnsupported},
        {"command code", 6, 0x04, kFWAUnsupported}, {"count byte", 7, 3, kFWABadArgument},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> frame = AVCFrame(0x00, {{1, 5}, {2, 6}});
        frame[c.offset] = c.value;
        std::vector<uint8_t> response{1, 2, 3};
        EXPECT_EQ(AVC(frame, &response), c.expected) << c.what;
        EXPECT_TRUE(response.empty()) << c.what;
    }
    std::vector<uint8_t> response;
    EXPECT_EQ(AVC(AVCFrame(0x00, {{1, 5}, {115, 6}}), &response), kFWABadArgument);
    EXPECT_EQ(AVC(AVCFrame(0x00, {{1, 5}, {109, 6}}), &response), kFWABadArgument);  // read-only
    EXPECT_EQ(AVC(AVCFrame(0x01, {{60, 0}}), &response), kFWABadArgument);           // unmapped
    EXPECT_EQ(AVC(AVCFrame(0x00, {}), &response), kFWABadArgument);                  // no pairs
    std::vector<uint8_t> ragged = AVCFrame(0x00, {{1, 5}});
    ragged.push_back(0);
    EXPECT_EQ(AVC(ragged, &response), kFWABadArgument);
    std::vector<uint8_t> header(7, 0);
    EXPECT_EQ(AVC(header, &response), kFWABadArgument);
    EXPECT_TRUE(model.Writes().empty());

    ASSERT_EQ(AVC(AVCFrame(0x00, {{1, 5}}), &response), kFWASuccess);
    EXPECT_EQ(Reg(1), 5u);
}

TEST_F(DeviceModelTest, AVCStatusAnswersEachPairAndControlEchoes) {
    ASSERT_EQ(Write(114, 1), kFWASuccess);
    ASSERT_EQ(model.SetMeter(95, 0x40000000), true);
    std::vector<uint8_t> frame = AVCFrame(0x01, {{114, 0xFFFF}, {95, 0}, {109, 0}});
    std::vector<uint8_t> response;
    ASSERT_EQ(AVC(frame, &response), kFWASuccess);
    ASSERT_EQ(response.size(), frame.size());
    EXPECT_EQ(response[0], 0x0C);  // STABLE
    EXPECT_TRUE(std::equal(frame.begin() + 1, frame.begin() + 8, response.begin() + 1));
    EXPECT_EQ(Get32(&response[8]), 114u);
    EXPECT_EQ(Get32(&response[12]), 1u);
    EXPECT_EQ(Get32(&response[16]), 95u);
    EXPECT_EQ(Get32(&response[20]), 0x40000000u);
    EXPECT_EQ(Get32(&response[24]), 109u);

    frame = AVCFrame(0x00, {{87, 0x2000000}});
    ASSERT_EQ(AVC(frame, &response), kFWASuccess);
    EXPECT_EQ(response[0], 0x09);  // ACCEPTED
    EXPECT_TRUE(std::equal(frame.begin() + 1, frame.end(), response.begin() + 1));
}

TEST_F(DeviceModelTest, InformationBlockShowsFirmwareFromTheNextPlug) {
    uint8_t b[4];
    ASSERT_EQ(model.ReadQuadlet(session, kInfoBlockHi, kInfoBlockLo + 4 * 13, b), kFWASuccess);
    EXPECT_EQ(Get32(b), uint32_t(kDefaultFirmwareMajor) << 24 |
                            uint32_t(kDefaultFirmwareMinor) << 16 | kDefaultFirmwareBuild);
    EXPECT_GT(kDefaultFirmwareBuild, 4762);
    for (uint32_t q = 0; q < kInfoBlockQuadlets; ++q)
        EXPECT_EQ(model.ReadQuadlet(session, kInfoBlockHi, kInfoBlockLo + 4 * q, b), kFWASuccess)
            << q;

    model.SetFirmwareBuild(4762);
    EXPECT_EQ(model.InfoQuadlet(13) & 0xFFFF, kDefaultFirmwareBuild);
    model.Unplug();
    model.Plug();
    EXPECT_EQ(model.InfoQuadlet(13),
              uint32_t(kDefaultFirmwareMajor) << 24 | uint32_t(kDefaultFirmwareMinor) << 16 | 4762);
    model.SetFirmwareVersion(3, 4, 5000);
    model.PowerCycle();
    EXPECT_EQ(model.InfoQuadlet(13), 0x03040000u | 5000);
}

TEST_F(DeviceModelTest, StatusFollowsExternalInputAndSync) {
    struct Case {
        uint32_t external;
        bool sync;
        uint32_t expected;
    } cases[] = {
        {0, false, 0x0001},      // internal clock: locked, no input
        {48000, false, 0x0103},  // input at 48 kHz, not used
        {96000, false, 0x0303}, {192000, false, 0x0503},
        {32000, false, 0x0603},  // a rate outside the table
        {44100, true, 0x0003},   // synced to the input at the running rate: locked
        {48000, true, 0x0102},   // synced, but the input runs at another rate
        {0, true, 0x0000},       // synced to an input that is gone
    };
    for (const Case& c : cases) {
        model.SetExternalInput(c.external);
        ASSERT_EQ(Write(114, c.sync ? 1 : 0), kFWASuccess);
        uint32_t v = 0;
        ASSERT_EQ(Read(108, &v), kFWASuccess);
        EXPECT_EQ(v, c.expected) << c.external << " " << c.sync;
    }
}

TEST_F(DeviceModelTest, InjectedFailuresChangeNothingThenTheDeviceWorksAgain) {
    model.FailNextAccesses(2, kFWABusReset);
    uint32_t v;
    EXPECT_EQ(Write(5, 1), kFWABusReset);
    EXPECT_EQ(Read(5, &v), kFWABusReset);
    EXPECT_EQ(Write(5, 2), kFWASuccess);
    EXPECT_EQ(model.Writes(), (std::vector<RegisterWrite>{{5, 2}}));

    model.FailNextAccesses(1);
    std::vector<uint8_t> response;
    EXPECT_EQ(AVC(AVCFrame(0x00, {{5, 3}}), &response), kFWATimeout);
    EXPECT_EQ(Reg(5), 2u);
}

TEST_F(DeviceModelTest, SessionsEndWithThePlugTheyWereOpenedOn) {
    uint32_t v;
    uint64_t other = 0;
    EXPECT_EQ(model.Open(0x1234, &other), kFWANoDevice);
    model.Unplug();
    EXPECT_EQ(Write(1, 1), kFWANoDevice);
    EXPECT_EQ(model.Open(kDeviceNodeID, &other), kFWANoDevice);
    model.Plug();
    EXPECT_EQ(Read(1, &v), kFWANoDevice);  // the old session stays dead
    ASSERT_EQ(model.Open(kDeviceNodeID, &session), kFWASuccess);
    EXPECT_EQ(Read(1, &v), kFWASuccess);

    model.UnplugAfterAccesses(2);
    EXPECT_EQ(Write(1, 1), kFWASuccess);
    EXPECT_EQ(Write(2, 1), kFWASuccess);
    EXPECT_EQ(Write(3, 1), kFWANoDevice);
    EXPECT_FALSE(model.IsPlugged());
    EXPECT_EQ(Reg(3), 0u);
}

TEST_F(DeviceModelTest, AudioDeviceRatesClockAndPowerCycle) {
    double rate = 0;
    ASSERT_EQ(model.GetNominalSampleRate(kAudioDeviceID, &rate), kAudioHardwareNoError);
    EXPECT_EQ(rate, 44100.0);
    for (double r : {48000.0, 88200.0, 96000.0, 44100.0})
        EXPECT_EQ(model.SetNominalSampleRate(kAudioDeviceID, r), kAudioHardwareNoError) << r;
    for (double r : {32000.0, 176400.0, 192000.0, 48000.5, 0.0})
        EXPECT_EQ(model.SetNominalSampleRate(kAudioDeviceID, r), kAudioDeviceUnsupportedFormatError)
            << r;
    EXPECT_EQ(model.SetNominalSampleRate(kAudioDeviceID + 1, 48000), kAudioHardwareBadDeviceError);
    ASSERT_EQ(model.SetNominalSampleRate(kAudioDeviceID, 96000), kAudioHardwareNoError);

    uint32_t source = 0;
    std::string name;
    ASSERT_EQ(model.GetClockSource(kAudioDeviceID, &source), kAudioHardwareNoError);
    ASSERT_EQ(model.GetClockSourceName(kAudioDeviceID, source, &name), kAudioHardwareNoError);
    EXPECT_FALSE(name.ends_with("Ext Plug 3"));
    ASSERT_EQ(Write(114, 1), kFWASuccess);
    ASSERT_EQ(model.GetClockSource(kAudioDeviceID, &source), kAudioHardwareNoError);
    ASSERT_EQ(model.GetClockSourceName(kAudioDeviceID, source, &name), kAudioHardwareNoError);
    EXPECT_TRUE(name.ends_with("Ext Plug 3"));

    ASSERT_EQ(Write(7, 77), kFWASuccess);
    model.PowerCycle();
    EXPECT_EQ(model.NominalRate(), 44100u);
    EXPECT_FALSE(model.ExternalSync());
    EXPECT_EQ(Reg(7), 0u);
    model.Unplug();
    EXPECT_EQ(model.GetDeviceName(kAudioDeviceID, &name), kAudioHardwareBadDeviceError);
}

TEST(DeviceModelMeters, SyntheticSignalMovesAndHeldValuesStay) {
    double now = 0;
    DeviceModel model;
    model.SetClock([&now] { return now; });
    std::vector<uint32_t> first = model.Registers();
    now = 0.75;
    std::vector<uint32_t> later = model.Registers();
    for (uint32_t r = kFirstMeterRegister; r <= kLastMeterRegister; ++r) {
        EXPECT_NE(first[r], later[r]) << r;
        EXPECT_LE(later[r], 0x80000000u) << r;
    }
    EXPECT_FALSE(model.SetMeter(104, 1));
    EXPECT_TRUE(model.SetMeter(100, 0x80000000));
    now = 2.0;
    EXPECT_EQ(model.Registers()[100], 0x80000000u);
}

}  // namespace
