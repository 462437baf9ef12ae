#include "platform/PrivateSocket.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/SingleCopyLock.h"

namespace {

using namespace platform;

// A fresh folder of this test process, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        char name[] = "/tmp/mirovan-private-test-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~ScratchFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

// Sets XDG_RUNTIME_DIR for one test and puts the old value back.
class RuntimeVariable {
  public:
    explicit RuntimeVariable(const char* value) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            saved = old;
            hadValue = true;
        }
        value ? ::setenv("XDG_RUNTIME_DIR", value, 1) : ::unsetenv("XDG_RUNTIME_DIR");
    }
    ~RuntimeVariable() {
        hadValue ? ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
    }

  private:
    std::string saved;
    bool hadValue = false;
};

int BoundSocket(const std::string& path, bool listening) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (listening) {
        EXPECT_EQ(::listen(fd, 1), 0);
    }
    return fd;
}

TEST(PrivateRuntimeFolder, OnlyAFolderThatNobodyElseCanEnterIsUsed) {
    ScratchFolder scratch;
    ASSERT_EQ(::chmod(scratch.path.c_str(), 0700), 0);
    {
        RuntimeVariable runtime((scratch.path + "/").c_str());
        EXPECT_EQ(PrivateRuntimeFolder(), scratch.path);
    }
    {
        // A runtime folder that the group may enter is not trusted, nor is a link to one.
        ASSERT_EQ(::chmod(scratch.path.c_str(), 0750), 0);
        RuntimeVariable runtime(scratch.path.c_str());
        EXPECT_EQ(PrivateRuntimeFolder(), "");
        ASSERT_EQ(::chmod(scratch.path.c_str(), 0700), 0);
        const std::string link = scratch.path + "-link";
        ASSERT_EQ(::symlink(scratch.path.c_str(), link.c_str()), 0);
        EXPECT_FALSE(IsPrivateFolder(link));
        ::unlink(link.c_str());
    }
    EXPECT_FALSE(IsPrivateFolder(scratch.path + "/missing"));
    EXPECT_FALSE(IsPrivateFolder(""));
}

TEST(PrivateRuntimeFolder, WithoutARuntimeFolderThePrivateOneInTmpIsUsed) {
    const std::string tmp = "/tmp/mirovan-control-" + std::to_string(::getuid());
    ::mkdir(tmp.c_str(), 0700);
    for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/run"}) {
        RuntimeVariable runtime(unusable);
        EXPECT_EQ(PrivateRuntimeFolder(), tmp);
    }
}

TEST(ProbeSocket, TellsALiveServerFromACrashedOneAndFromStrangers) {
    ScratchFolder scratch;
    const std::string path = scratch.path + "/s.sock";
    EXPECT_EQ(ProbeSocket(path), SocketProbe::Missing);

    int listening = BoundSocket(path, true);
    // A server that takes no clients (stopped or hung) fills its queue and still answers.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ProbeSocket(path), SocketProbe::Answers) << i;
    ::close(listening);  // the file stays behind, as after a crash
    EXPECT_EQ(ProbeSocket(path), SocketProbe::Stale);
    EXPECT_TRUE(SocketCanBeServed(path));  // a new server replaces it
    ::unlink(path.c_str());

    int bound = BoundSocket(path, false);  // bound but never listening
    EXPECT_EQ(ProbeSocket(path), SocketProbe::Stale);
    ::close(bound);
    ::unlink(path.c_str());

    std::ofstream(path) << "not a socket";
    EXPECT_EQ(ProbeSocket(path), SocketProbe::Foreign);
    EXPECT_EQ(ProbeSocket(""), SocketProbe::Foreign);
    EXPECT_EQ(ProbeSocket("/" + std::string(200, 'x')), SocketProbe::Foreign);
    EXPECT_FALSE(SocketCanBeServed(path));
    EXPECT_FALSE(SocketCanBeServed(scratch.path + "/" + std::string(120, 'x')));
}

TEST(SingleCopyLock, OneHolderAtATimeWhateverALeftoverFileHolds) {
    using State = SingleCopyLock::State;
    ScratchFolder scratch;
    ASSERT_EQ(::chmod(scratch.path.c_str(), 0700), 0);
    // A file left behind, made read-only: only a live holder counts.
    const std::string file = scratch.path + "/mirovan-control.lock";
    std::ofstream(file) << "rubbish";
    ASSERT_EQ(::chmod(file.c_str(), 0400), 0);

    // A holder killed without a chance to clean up frees the lock at once.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        SingleCopyLock lock(scratch.path);
        const char taken = lock.Take() == State::Held;
        (void)!::write(ready[1], &taken, 1);
        ::pause();
        _exit(0);
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    EXPECT_TRUE(taken);
    SingleCopyLock second(scratch.path);
    EXPECT_EQ(second.Take(), State::HeldByAnother);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    {
        SingleCopyLock first(scratch.path);
        ASSERT_EQ(first.Take(), State::Held);
        EXPECT_EQ(second.Take(), State::HeldByAnother);
    }
    EXPECT_EQ(second.Take(), State::Held);
    EXPECT_EQ(::access(file.c_str(), F_OK), 0);  // never removed
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(SingleCopyLock, NoLockIsTakenWhereAnotherUserCouldHaveMadeOrReplacedIt) {
    using State = SingleCopyLock::State;
    ScratchFolder scratch;
    ASSERT_EQ(::chmod(scratch.path.c_str(), 0700), 0);
    // A folder that is missing is made inside a folder of this user's.
    EXPECT_EQ(SingleCopyLock(scratch.path + "/config/settings").Take(), State::Held);
    // A folder that the group may write into, something else in place of the folder, or a
    // link in place of the lock file.
    const std::string shared = scratch.path + "/config", linked = shared + "/settings";
    const std::string lockFile = linked + "/mirovan-control.lock";
    ASSERT_EQ(::chmod(shared.c_str(), 0770), 0);
    ASSERT_EQ(::unlink(lockFile.c_str()), 0);
    ASSERT_EQ(::symlink((shared + "/lock").c_str(), lockFile.c_str()), 0);
    for (const std::string& unusable :
         {shared, linked, lockFile, std::string("relative"), std::string()})
        EXPECT_EQ(SingleCopyLock(unusable).Take(), State::Unavailable) << unusable;
    EXPECT_EQ(::access((shared + "/lock").c_str(), F_OK), -1);
    if (::geteuid() != 0) return;
    // Another user's folder is neither used nor written into, to make a folder inside it.
    const std::string theirs = scratch.path + "/theirs";
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_EQ(SingleCopyLock(theirs).Take(), State::Unavailable);
    EXPECT_EQ(SingleCopyLock(theirs + "/settings").Take(), State::Unavailable);
    EXPECT_EQ(::rmdir(theirs.c_str()), 0);  // still empty
}

TEST(SingleCopyLock, TheEarlierLockFileGoesOnceNoCopyOfAnEarlierVersionHoldsIt) {
    ScratchFolder scratch;
    const std::string file = scratch.path + "/MirovanControlLE-user.lock";
    const auto write = [&](const std::string& bytes) { std::ofstream(file) << bytes; };
    // As earlier versions left it, naming a live process but locked by none.
    write(std::to_string(::getppid()) + '\0');
    RemoveEarlierLockFile(file);
    EXPECT_EQ(::access(file.c_str(), F_OK), -1);

    // Locked, as by a copy that runs: kept.
    write(std::to_string(::getpid()) + '\0');
    const int held = ::open(file.c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &lock), 0);
    RemoveEarlierLockFile(file);
    EXPECT_EQ(::access(file.c_str(), F_OK), 0);
    ::close(held);

    // Not the program's own: another content, or a link.
    write("notes");
    RemoveEarlierLockFile(file);
    EXPECT_EQ(::access(file.c_str(), F_OK), 0);
    const std::string link = scratch.path + "/link.lock";
    write("1234");
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    RemoveEarlierLockFile(link);
    EXPECT_EQ(::access(link.c_str(), F_OK), 0);
    if (::geteuid() != 0) return;
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    RemoveEarlierLockFile(file);
    EXPECT_EQ(::access(file.c_str(), F_OK), 0);
}

}  // namespace
