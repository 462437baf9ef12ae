#include "tests/linux/testbed/Testbed.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testbed {
namespace {

// The preload's path, found when the tests were configured.
#ifndef MIROVAN_UMOCKDEV_PRELOAD
#define MIROVAN_UMOCKDEV_PRELOAD ""
#endif
constexpr const char* kPreload = MIROVAN_UMOCKDEV_PRELOAD;

// A testbed that cannot be built leaves nothing to test.
[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "testbed: %s\n", what.c_str());
    std::abort();
}

// A value of umockdev's record format: backslashes and newlines escaped.
std::string Escaped(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
}

}  // namespace

bool RunUnderPreload(char** argv, std::string* why) {
    const char* old = std::getenv("LD_PRELOAD");
    if (old && std::strstr(old, "libumockdev-preload")) return true;
    // The preload must be there, or the program would not start again at all.
    if (*kPreload == '\0' || ::access(kPreload, R_OK) != 0) {
        if (why) *why = "umockdev's preload library is not installed (package libumockdev0)";
        return false;
    }
    std::string preload = kPreload;
    if (old && *old) preload += std::string(":") + old;
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    // Under AddressSanitizer the preload comes first; the sanitizer takes that.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string options = asan ? std::string(asan) + ":" : std::string();
    ::setenv("ASAN_OPTIONS", (options + "verify_asan_link_order=0").c_str(), 1);
    ::execv("/proc/self/exe", argv);
    if (why) *why = std::string("could not start again under the preload: ") + std::strerror(errno);
    return false;
}

// --- Testbed ---------------------------------------------------------------------------------

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
}

Testbed::~Testbed() {
    g_object_unref(testbed_);
}

std::string Testbed::Root() const {
    return root_;
}

std::string Testbed::Path(const std::string& path) const {
    return root_ + path;
}

std::string Testbed::AddDevice(const std::string& subsystem, const std::string& name,
                               const std::string& parentSyspath, const Pairs& attributes,
                               const Pairs& properties, const std::string& devnode, NodeKind kind) {
    const std::string parent = parentSyspath.empty() ? "/sys/devices" : parentSyspath;
    const std::string syspath = parent + "/" + name;
    std::string record = "P: " + syspath.substr(4) + "\n";
    record += "E: SUBSYSTEM=" + subsystem + "\n";
    if (!devnode.empty()) {
        record += "E: DEVNAME=/dev/" + devnode + "\n";
        if (kind == NodeKind::Pty) record += "N: " + devnode + "\n";
    }
    for (const auto& [key, value] : properties) record += "E: " + key + "=" + Escaped(value) + "\n";
    for (const auto& [key, value] : attributes) record += "A: " + key + "=" + Escaped(value) + "\n";
    if (kind == NodeKind::Fifo) {
        const std::string fifo = Path("/dev/" + devnode);
        MakeFolders(fifo);
        if (::mkfifo(fifo.c_str(), 0666) != 0 && errno != EEXIST) Fail("mkfifo " + fifo);
    }
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        Fail("adding " + syspath + ": " + message);
    }
    // The program started later must not inherit the PTY's master side.
    if (kind == NodeKind::Pty) {
        const int master = PtyMaster("/dev/" + devnode);
        if (master >= 0) ::fcntl(master, F_SETFD, FD_CLOEXEC);
    }
    return syspath;
}

void Testbed::Uevent(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

void Testbed::Remove(const std::string& syspath) {
    Uevent(syspath, "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

void Testbed::Attach(const std::string& devnodePath, UMockdevIoctlBase* handler) {
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnodePath.c_str(), handler, &error)) {
        std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        Fail("attaching " + devnodePath + ": " + message);
    }
}

int Testbed::PtyMaster(const std::string& devnodePath) {
    return umockdev_testbed_get_dev_fd(testbed_, devnodePath.c_str());
}

void Testbed::WriteFile(const std::string& path, const std::string& text) {
    const std::string real = Path(path);
    MakeFolders(real);
    const std::string temporary = real + ".new";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) Fail("writing " + real);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    if (std::rename(temporary.c_str(), real.c_str()) != 0) Fail("renaming " + real);
}

void Testbed::OpenToAllUsers() {
    ::chmod(root_.c_str(), 0777);
    for (const char* folder : {"/ioctl/dev/", "/ioctl/dev/snd/"}) {
        const std::string sockets = Path(folder);
        DIR* listing = ::opendir(sockets.c_str());
        if (!listing) continue;
        while (const dirent* entry = ::readdir(listing))
            if (entry->d_name[0] != '.') ::chmod((sockets + entry->d_name).c_str(), 0777);
        ::closedir(listing);
    }
}

// --- PtyReadiness ----------------------------------------------------------------------------

PtyReadiness::PtyReadiness(int master) : master_(master) {
    // The byte that makes the node readable sits in the slave side's input; only a reader of
    // that side takes it away again.
    if (master_ >= 0) {
        if (const char* name = ::ptsname(master_))
            slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
}

PtyReadiness::~PtyReadiness() {
    if (slave_ >= 0) ::close(slave_);
}

void PtyReadiness::Set(bool ready) {
    if (hungUp_ || ready == ready_ || master_ < 0 || slave_ < 0) return;
    if (ready) {
        const char byte = 1;
        if (::write(master_, &byte, 1) == 1) ready_ = true;
    } else {
        char bytes[64];
        while (::read(slave_, bytes, sizeof bytes) > 0) {}
        ready_ = false;
    }
}

void PtyReadiness::HangUp() {
    if (hungUp_ || master_ < 0) return;
    hungUp_ = true;
    // The last master fd closing hangs the slave side up. The number stays taken (now
    // /dev/null), since umockdev closes it again when the testbed goes.
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup3(null, master_, O_CLOEXEC);
        ::close(null);
    }
}

// --- Request ---------------------------------------------------------------------------------

Request::Request(UMockdevIoctlClient* client) : client_(client) {}

unsigned long Request::Code() const {
    return umockdev_ioctl_client_get_request(client_);
}

uint8_t* Request::Buffer() {
    return umockdev_ioctl_client_get_arg(client_)->data;
}

size_t Request::Length() const {
    return static_cast<size_t>(umockdev_ioctl_client_get_arg(client_)->data_len);
}

void* Request::Argument(size_t size) {
    if (!argument_) {
        GError* error = nullptr;
        argument_ =
            umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client_), 0, size, &error);
        g_clear_error(&error);
    }
    return argument_ ? argument_->data : nullptr;
}

void* Request::Pointed(size_t fieldOffset, size_t size) {
    if (!argument_ || size == 0) return nullptr;
    uint64_t address = 0;
    std::memcpy(&address, argument_->data + fieldOffset, sizeof address);
    if (address == 0) return nullptr;
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(argument_, fieldOffset, size, &error);
    g_clear_error(&error);
    return data ? data->data : nullptr;
}

void Request::Complete(long result, int error) {
    umockdev_ioctl_client_complete(client_, result, error);
}

// --- IoctlHandler ----------------------------------------------------------------------------

IoctlHandler::IoctlHandler()
    : base_(static_cast<UMockdevIoctlBase*>(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr))) {
    g_signal_connect(base_, "handle-ioctl", G_CALLBACK(&IoctlHandler::OnIoctl), this);
    g_signal_connect(base_, "handle-read", G_CALLBACK(&IoctlHandler::OnRead), this);
    g_signal_connect(base_, "handle-write", G_CALLBACK(&IoctlHandler::OnWrite), this);
}

IoctlHandler::~IoctlHandler() {
    g_signal_handlers_disconnect_by_data(base_, this);
    g_object_unref(base_);
}

int IoctlHandler::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    Request request(client);
    return static_cast<IoctlHandler*>(self)->Ioctl(request);
}

int IoctlHandler::OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    Request request(client);
    return static_cast<IoctlHandler*>(self)->Read(request);
}

int IoctlHandler::OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    Request request(client);
    return static_cast<IoctlHandler*>(self)->Write(request);
}

}  // namespace testbed
