// A FireWire node through the kernel's character device, against the emulated kernel: the
// traps of the FCP region, of bus resets and of removal.

#include "platform/linux/FireWireNode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/devsim/WireBytes.h"
#include "tests/linux/EmulatedKernelTest.h"

namespace {

using namespace std::chrono_literals;
using devsim_test::AVCFrame;
using devsim_test::Get32;
using platform::FireWireNode;

constexpr uint64_t kRegister0 = 0x000100000000ULL;

uint64_t RegisterAddress(uint32_t n) {
    return kRegister0 + 4 * n;
}

struct Counting : FireWireNode::Listener {
    void NodeBusReset(FireWireNode&, uint32_t) override { ++resets; }
    void NodeGone(FireWireNode&) override { ++gone; }
    std::atomic<int> resets{0};
    std::atomic<int> gone{0};
};

class FireWireNodeTest : public EmulatedMirovanTest {
  protected:
    void SetUp() override {
        EmulatedMirovanTest::SetUp();
        if (IsSkipped()) return;
        int error = 0;
        node = FireWireNode::Open(mirovan->Devnode(), &listener, &error);
        ASSERT_NE(node, nullptr) << "errno " << error;
    }

    // A STATUS command for registers `ids`, answered into a buffer of `capacity` bytes.
    FWAStatus Status(std::initializer_list<devsim_test::Pair> pairs, std::vector<uint8_t>* answer,
                     uint32_t capacity = 512) {
        const std::vector<uint8_t> command = AVCFrame(0x01, pairs);
        answer->assign(capacity, 0xEE);
        uint32_t length = capacity;
        const FWAStatus status =
            node->ExecuteAVC(command.data(), uint32_t(command.size()), answer->data(), &length);
        answer->resize(status == kFWASuccess ? length : 0);
        return status;
    }

    Counting listener;
    std::unique_ptr<FireWireNode> node;
};

TEST_F(FireWireNodeTest, QuadletsAndBlocksReachTheDeviceInBusOrder) {
    EXPECT_EQ(mirovan->Node()->ClientAbiVersion(), 4u);
    EXPECT_EQ(node->Guid(), devsim::kDeviceGUID);
    EXPECT_TRUE(mirovan->Node()->FcpAllocated());

    const uint8_t value[4] = {0x00, 0x00, 0x12, 0x34};
    ASSERT_EQ(node->WriteQuadlet(RegisterAddress(3), value), kFWASuccess);
    uint8_t read[4] = {};
    ASSERT_EQ(node->ReadQuadlet(RegisterAddress(3), read), kFWASuccess);
    EXPECT_EQ(Get32(read), 0x1234u);

    const std::vector<uint8_t> block = devsim_test::Pairs({{5, 0x55}, {6, 0x66}});
    ASSERT_EQ(node->WriteBlock(0x000100010000ULL, block.data(), uint32_t(block.size())),
              kFWASuccess);
    uint32_t reg = 0;
    ASSERT_TRUE(model.Register(6, &reg));
    EXPECT_EQ(reg, 0x66u);

    // What the device refuses is an error of its own, not a transient one.
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(200), read), kFWABadArgument);
    EXPECT_EQ(node->WriteBlock(0x000100010000ULL, block.data(), 513), kFWABadArgument);
}

TEST_F(FireWireNodeTest, AnAVCAnswerIsTheFinalFrameOfThisNodeForThisCommand) {
    model.SetMeter(90, 0x01020304);
    std::vector<uint8_t> answer;

    // INTERIM first, the final frame well after the first answer's deadline.
    mirovan->Node()->AnswerInterim(400ms);
    ASSERT_EQ(Status({{90, 0}}, &answer), kFWASuccess);
    ASSERT_EQ(answer.size(), 16u);
    EXPECT_EQ(answer[0], 0x0C);  // STABLE
    EXPECT_EQ(Get32(&answer[12]), 0x01020304u);

    // Frames of another node, of a stale generation and of another opcode come first.
    mirovan->Node()->SendStrayFramesFirst();
    model.SetMeter(91, 0x0A0B0C0D);
    ASSERT_EQ(Status({{91, 0}}, &answer), kFWASuccess);
    EXPECT_EQ(Get32(&answer[8]), 91u);
    EXPECT_EQ(Get32(&answer[12]), 0x0A0B0C0Du);

    // Every frame the kernel handed over is released.
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (mirovan->Node()->UnansweredRequests() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(mirovan->Node()->UnansweredRequests(), 0u);
}

TEST_F(FireWireNodeTest, AWholeFrameIsCarriedAndCutToTheCallersBuffer) {
    // 63 pairs: a 512-byte command and a 512-byte answer, the most the FCP registers hold.
    std::vector<uint8_t> command = AVCFrame(0x01, {});
    command[7] = 63;
    for (uint32_t k = 0; k < 63; ++k)
        devsim_test::Put32(command, 90 + k % 14), devsim_test::Put32(command, 0);
    ASSERT_EQ(command.size(), 512u);
    std::vector<uint8_t> answer(600, 0xEE);
    uint32_t length = 600;
    ASSERT_EQ(node->ExecuteAVC(command.data(), 512, answer.data(), &length), kFWASuccess);
    EXPECT_EQ(length, 512u);

    // A buffer of 20 bytes gets the first 20 and nothing beyond.
    answer.assign(32, 0xEE);
    length = 20;
    ASSERT_EQ(node->ExecuteAVC(command.data(), 512, answer.data(), &length), kFWASuccess);
    EXPECT_EQ(length, 20u);
    EXPECT_EQ(answer[20], 0xEE);

    command.push_back(0);
    length = 600;
    EXPECT_EQ(node->ExecuteAVC(command.data(), 513, answer.data(), &length), kFWABadArgument);
}

TEST_F(FireWireNodeTest, ALateAnswerNeverCompletesTheNextRequest) {
    model.SetMeter(90, 0x90);
    model.SetMeter(92, 0x92);
    uint8_t read[4] = {};

    // The response of a transaction comes after the caller gave up on it.
    mirovan->Node()->DelayNextResponse(1200ms);
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(90), read), kFWATimeout);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(node->ReadQuadlet(RegisterAddress(92), read), kFWASuccess);
    EXPECT_EQ(Get32(read), 0x92u);

    // The same for an AV/C answer: the next command gets its own.
    std::vector<uint8_t> answer;
    mirovan->Node()->DelayNextAnswer(300ms);
    EXPECT_EQ(Status({{90, 0}}, &answer), kFWATimeout);
    ASSERT_EQ(Status({{92, 0}}, &answer), kFWASuccess);
    EXPECT_EQ(Get32(&answer[8]), 92u);
    EXPECT_EQ(Get32(&answer[12]), 0x92u);
}

TEST_F(FireWireNodeTest, ARequestAfterABusResetGoesOutInTheNewGeneration) {
    uint8_t read[4] = {};
    // The reset's event comes half a second later, as the kernel sends it.
    mirovan->Node()->BusReset(500ms, 0xFFC3);
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(1), read), kFWABusReset);
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(1), read), kFWASuccess);
    EXPECT_EQ(node->Current().nodeID, 0xFFC3u);
    EXPECT_TRUE(node->Current().reachable);
    EXPECT_EQ(listener.resets, 1);

    // Off the bus: the kernel keeps the node's old generation, and says so.
    mirovan->Node()->LeaveBus();
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(1), read), kFWABusReset);
    EXPECT_FALSE(node->Current().reachable);
    mirovan->Node()->ReturnToBus();
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!node->Current().reachable && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(1), read), kFWASuccess);
}

TEST_F(FireWireNodeTest, ARemovedNodeFailsEveryCallAtOnce) {
    uint8_t read[4] = {};
    mirovan->Unplug();
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (listener.gone == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(listener.gone, 1);
    EXPECT_TRUE(node->Current().gone);
    EXPECT_EQ(node->ReadQuadlet(RegisterAddress(1), read), kFWANoDevice);
    std::vector<uint8_t> answer;
    EXPECT_EQ(Status({{90, 0}}, &answer), kFWANoDevice);
}

}  // namespace
