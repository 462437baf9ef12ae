#pragma once
// The kernel's side of one FireWire node's character device, with a device model behind it:
// GET_INFO (config ROM, bus reset record), SEND_REQUEST (quadlet read and write, block write;
// a write to the node's FCP command register is an AV/C command, whose answer comes back as a
// write to the client's FCP response region), ALLOCATE, DEALLOCATE and SEND_RESPONSE; the
// events are queued for read(2), and the node polls readable while any wait.
//
// The bus around it is played by the test: bus resets (with the window before their event),
// the node leaving the bus and coming back, removal, and the traps a driver must survive.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "devsim/DeviceModel.h"
#include "tests/linux/testbed/Testbed.h"

namespace testbed {

class EmulatedFireWireNode : public IoctlHandler {
  public:
    static constexpr uint32_t kLocalNodeID = 0xFFC0;
    static constexpr uint32_t kForeignNodeID = 0xFFC2;

    EmulatedFireWireNode(devsim::DeviceModel& model, uint32_t nodeID, uint64_t guid);
    ~EmulatedFireWireNode() override;

    // The node's PTY, once its /dev node exists: readiness follows the event queue.
    void SetPty(int master);

    // --- The bus ---------------------------------------------------------------------------
    // A bus reset: the node's generation (what GET_INFO tells) moves on at once, its event is
    // queued after `eventDelay`, as the kernel sends it after reading the node's ROM again.
    void BusReset(std::chrono::milliseconds eventDelay = {}, uint32_t newNodeID = 0);
    // The cable is pulled: the bus resets without the node, whose generation stays behind, so
    // every request fails for a stale generation.
    void LeaveBus();
    // Plugged back before the kernel dropped the node: found again in a new generation.
    void ReturnToBus();
    // The kernel drops the node: every call fails with ENODEV, the fd hangs up.
    void Remove();

    // --- Traps -----------------------------------------------------------------------------
    // The next AV/C command is answered INTERIM at once and finally after `delay`.
    void AnswerInterim(std::chrono::milliseconds delay);
    // Before the next AV/C answer, frames of the same header come from another node, from a
    // stale generation, and a frame of another opcode from the device.
    void SendStrayFramesFirst();
    // The next AV/C answer comes after `delay`; the next transaction's response too.
    void DelayNextAnswer(std::chrono::milliseconds delay);
    void DelayNextResponse(std::chrono::milliseconds delay);

    // --- What the client did ---------------------------------------------------------------
    uint64_t Requests();            // SEND_REQUEST calls
    uint64_t Calls();               // every ioctl and read
    uint64_t UnansweredRequests();  // REQUEST2 events not yet released with SEND_RESPONSE
    bool FcpAllocated();
    uint32_t ClientAbiVersion();

  protected:
    bool Ioctl(Request& request) override;
    bool Read(Request& request) override;

  private:
    void GetInfo(Request& request);
    void SendRequest(Request& request);
    // Runs the device model for one request; the rcode, and the read quadlet.
    uint32_t Transact(uint32_t tcode, uint64_t offset, const uint8_t* payload, uint32_t length,
                      uint8_t readBack[4]);
    void AnswerCommand(const uint8_t* command, uint32_t length);
    std::vector<uint8_t> Frame(uint32_t sourceNode, uint32_t generation,
                               const std::vector<uint8_t>& frame);
    void QueueLocked(std::vector<uint8_t> event);
    void QueueLater(std::chrono::milliseconds delay, std::vector<uint8_t> event);
    std::vector<uint8_t> BusResetEventLocked();
    void Timers();

    devsim::DeviceModel& model_;
    std::mutex mutex_;
    std::unique_ptr<PtyReadiness> pty_;
    std::deque<std::vector<uint8_t>> events_;
    uint64_t session_ = 0;
    uint32_t nodeID_;
    const uint64_t guid_;
    uint32_t generation_ = 1;     // the node's, as GET_INFO tells it
    uint32_t busGeneration_ = 1;  // the bus's: requests must carry it
    bool onBus_ = true;
    bool removed_ = false;
    uint64_t busResetClosure_ = 0;
    uint32_t clientVersion_ = 0;
    bool fcpAllocated_ = false;
    uint64_t fcpClosure_ = 0;
    uint32_t nextHandle_ = 1;
    uint64_t requests_ = 0;
    uint64_t calls_ = 0;
    uint64_t unanswered_ = 0;

    std::chrono::milliseconds interimDelay_{-1};
    bool strayFrames_ = false;
    std::chrono::milliseconds answerDelay_{0};
    std::chrono::milliseconds responseDelay_{0};

    struct Timer {
        std::chrono::steady_clock::time_point due;
        std::vector<uint8_t> event;
    };
    std::vector<Timer> timers_;
    std::condition_variable timersChanged_;
    bool stopping_ = false;
    std::thread timerThread_;
};

}  // namespace testbed
