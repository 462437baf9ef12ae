#pragma once
// One FireWire node reached through the kernel's character device (/dev/fwN): quadlet reads
// and writes, block writes, and AV/C commands over FCP.
//
// A reader thread per node waits in poll on the fd and takes the kernel's events: bus resets
// (the node id and the generation every request must carry), the responses to our requests
// (matched by a closure id of our own, so a response that comes after its caller gave up is
// dropped instead of completing a later request) and the writes to our FCP response register
// (taken as the answer only from this node, in this generation, matching the command sent).
// Calls are synchronous and may come from any thread; AV/C commands go one at a time.
//
// A removed node (the fd hangs up, or a call fails with ENODEV) makes every call fail with
// kFWANoDevice from then on.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/FWAUserLib.h"
#include "platform/linux/FireWireEvents.h"

namespace platform {

class FireWireNode {
  public:
    class Listener {
      public:
        virtual ~Listener() = default;
        // The node's generation or node id changed (from a bus reset event, or learnt after a
        // request failed for a stale generation). On the reader thread or a caller's.
        virtual void NodeBusReset(FireWireNode& node, uint32_t oldGeneration) = 0;
        // The node was removed. On the reader thread.
        virtual void NodeGone(FireWireNode& node) = 0;
    };

    struct State {
        uint32_t nodeID = 0;
        uint32_t generation = 0;
        // False while the node does not answer in the generation the kernel gives it: it is
        // off the bus, and the kernel has not yet dropped it or found it again.
        bool reachable = true;
        bool gone = false;
    };

    // Opens the node and starts its reader. Null with the errno in *error when the fd cannot
    // be opened or is not a FireWire node of the ABI this speaks.
    static std::unique_ptr<FireWireNode> Open(const std::string& devnode, Listener* listener,
                                              int* error);
    ~FireWireNode();
    FireWireNode(const FireWireNode&) = delete;
    FireWireNode& operator=(const FireWireNode&) = delete;

    const std::string& Devnode() const { return devnode_; }
    // The GUID in the node's config ROM, 0 when the ROM holds none.
    uint64_t Guid() const { return guid_; }
    State Current();

    FWAStatus ReadQuadlet(uint64_t offset, uint8_t busBytes[4]);
    FWAStatus WriteQuadlet(uint64_t offset, const uint8_t busBytes[4]);
    FWAStatus WriteBlock(uint64_t offset, const uint8_t* data, uint32_t length);
    // *responseLength: the buffer's size on entry, the bytes written on return; a longer
    // response is cut short. Frames and commands are at most 512 bytes.
    FWAStatus ExecuteAVC(const uint8_t* command, uint32_t commandLength, uint8_t* response,
                         uint32_t* responseLength);

  private:
    struct Pending {
        bool done = false;
        uint32_t rcode = 0;
        uint8_t data[4] = {};
        uint32_t length = 0;
    };
    // The AV/C command waiting for its response frame.
    struct FcpWait {
        bool active = false;
        uint8_t header[6] = {};
        size_t headerBytes = 0;
        std::vector<uint8_t> frame;
        bool answered = false;
        bool interim = false;
    };

    FireWireNode(std::string devnode, int fd, int wakeRead, int wakeWrite, Listener* listener);
    bool Start(int* error);

    // One transaction: sends the request and waits for its response event.
    FWAStatus Transaction(uint32_t tcode, uint64_t offset, const uint8_t* payload, uint32_t length,
                          uint8_t* readBack);
    // After a stale generation: learns the node's current one from the kernel.
    void RefreshGeneration(uint32_t sentIn);
    void MarkGone();

    void ReadEvents();
    void Take(const FireWireEvent& event);
    void TakeBusReset(uint32_t nodeID, uint32_t generation);
    void TakeFcpFrame(const FireWireEvent& event);
    static bool Matches(const FcpWait& wait, const std::vector<uint8_t>& frame);

    const std::string devnode_;
    const int fd_;
    const int wakeRead_;
    const int wakeWrite_;
    Listener* const listener_;
    uint64_t guid_ = 0;
    uint32_t fcpHandle_ = 0;
    bool fcpAllocated_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_;
    uint64_t nextClosure_ = 1;
    std::map<uint64_t, Pending> pending_;
    FcpWait fcp_;
    // The command last given up on, which the device may still answer.
    FcpWait late_;
    std::chrono::steady_clock::time_point lateUntil_{};

    std::mutex avcMutex_;  // one AV/C command at a time
    std::thread reader_;
};

// What a kernel response code means to the transport; the table is in the .cpp.
FWAStatus StatusOfRcode(uint32_t rcode);

}  // namespace platform
