#pragma once
// An emulated kernel for the Linux device bus: a umockdev testbed (its own sysfs, /dev and
// /proc, uevents) and the C++ face of umockdev's ioctl handlers, which play a device behind a
// node of that /dev.
//
// Everything under test runs under umockdev's preload (libumockdev-preload.so.0), this
// process too: uevents reach a udev monitor only when the sender runs under it. A test
// program calls RunUnderPreload first thing in main.
//
// Handlers run on a worker thread of umockdev's; a request may be completed later and from
// any thread.

#include <umockdev.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testbed {

// Starts this program again under the preload when it is not under it yet; returns only when
// it already is (true) or when the preload cannot be used here (false, with the reason).
bool RunUnderPreload(char** argv, std::string* why);

using Pairs = std::vector<std::pair<std::string, std::string>>;

// How a device node of the testbed behaves to poll and mmap.
enum class NodeKind {
    None,  // no /dev node (a FireWire unit directory, a sound card)
    Pty,   // polls readable only when told to (PtyReadiness); served by a handler
    Fifo,  // a PCM: mmap fails, so alsa-lib takes the SYNC_PTR path
};

class Testbed {
  public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // The folder that stands for /, the value of UMOCKDEV_DIR.
    std::string Root() const;

    // Adds a device and sends its "add" uevent; returns its sysfs path (/sys/devices/...).
    // `devnode` is the node's name under /dev ("fw1", "snd/pcmC1D0p"), empty for none. Attach
    // the node's handler before, with Attach("/dev/" + devnode, ...).
    std::string AddDevice(const std::string& subsystem, const std::string& name,
                          const std::string& parentSyspath, const Pairs& attributes,
                          const Pairs& properties = {}, const std::string& devnode = {},
                          NodeKind kind = NodeKind::None);
    void Uevent(const std::string& syspath, const char* action);
    // Sends "remove" while the properties can still be read, then removes the device and all
    // below it. A removed name cannot be added again.
    void Remove(const std::string& syspath);

    // Serves ioctl, read and write on a node ("/dev/fw1"), also one that does not exist yet.
    void Attach(const std::string& devnodePath, UMockdevIoctlBase* handler);
    // The PTY master of a Pty node, or -1.
    int PtyMaster(const std::string& devnodePath);

    // Writes a file of the testbed's own tree (e.g. "/proc/asound/card1/id"), making its
    // folders; the file is replaced whole, so a reader sees the old or the new text.
    void WriteFile(const std::string& path, const std::string& text);
    // The real path of a testbed path ("/dev/fw1" -> Root() + "/dev/fw1").
    std::string Path(const std::string& path) const;
    // Lets a process of another user use the testbed: its folder (where a udev monitor makes
    // its socket) and the sockets that reach the handlers. The nodes keep their own modes.
    void OpenToAllUsers();

    UMockdevTestbed* Raw() { return testbed_; }

  private:
    UMockdevTestbed* testbed_;
    std::string root_;
};

// Makes every fd of a Pty node poll readable while `ready` and not otherwise, and hangs the
// node up as the kernel does for a removed device (POLLHUP on every fd).
class PtyReadiness {
  public:
    explicit PtyReadiness(int master);
    ~PtyReadiness();
    PtyReadiness(const PtyReadiness&) = delete;
    PtyReadiness& operator=(const PtyReadiness&) = delete;

    void Set(bool ready);
    void HangUp();

  private:
    int master_;
    int slave_ = -1;
    bool ready_ = false;
    bool hungUp_ = false;
};

// One request of a client: an ioctl (its code and argument), or a read or write (the buffer).
class Request {
  public:
    explicit Request(UMockdevIoctlClient* client);

    unsigned long Code() const;
    // The buffer of a read or write, and its length.
    uint8_t* Buffer();
    size_t Length() const;
    // The ioctl's argument as a struct of `size` bytes; changes reach the client at Complete.
    void* Argument(size_t size);
    template <class T>
    T* ArgumentAs() {
        return static_cast<T*>(Argument(sizeof(T)));
    }
    // The memory a pointer field of the argument (a u64 at `fieldOffset`) points to.
    void* Pointed(size_t fieldOffset, size_t size);
    void Complete(long result, int error = 0);
    UMockdevIoctlClient* Client() const { return client_; }

  private:
    UMockdevIoctlClient* client_;
    UMockdevIoctlData* argument_ = nullptr;
};

// A device behind a node: override what the device answers. A method that returns false
// leaves the call to umockdev's default (ENOTTY for an ioctl).
class IoctlHandler {
  public:
    IoctlHandler();
    virtual ~IoctlHandler();
    IoctlHandler(const IoctlHandler&) = delete;
    IoctlHandler& operator=(const IoctlHandler&) = delete;

    UMockdevIoctlBase* Base() { return base_; }

  protected:
    virtual bool Ioctl(Request&) { return false; }
    virtual bool Read(Request&) { return false; }
    virtual bool Write(Request&) { return false; }

  private:
    static int OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int OnRead(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    static int OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);

    UMockdevIoctlBase* base_;
};

}  // namespace testbed
