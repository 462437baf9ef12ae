#include "tests/linux/testbed/SoundHolderProcess.h"

#include <alsa/asoundlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace testbed {
namespace {

// The holder is this program started again with the PCM to hold in this variable; it holds it
// before main would run. A fresh program, not a bare fork: a fork inherits the locks that other
// threads (the preload's, alsa-lib's) happen to hold at that moment, and can hang on them.
constexpr const char* kHolderVariable = "MIROVAN_TESTBED_SOUND_HOLDER";
// Where the holder finds its two pipes.
constexpr int kReportFd = 3;
constexpr int kCommandFd = 4;

constexpr int kAnswerTimeoutMs = 10000;
constexpr unsigned kHolderLifetimeSeconds = 60;
constexpr auto kExitTimeout = std::chrono::seconds(10);

// Closes what the holder inherited but its two pipes: a copy of a testbed PTY's master would
// keep that node from hanging up when its device is unplugged.
void CloseInherited() {
    std::vector<int> fds;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(folder)) {
            const int fd = std::atoi(entry->d_name);
            if (fd > kCommandFd && fd != ::dirfd(folder)) fds.push_back(fd);
        }
        ::closedir(folder);
    }
    for (int fd : fds) ::close(fd);
}

// What the holder does: open, set up, report, wait for the word, close.
[[noreturn]] void Hold(const SoundHolderProcess::Options& options) {
    ::alarm(kHolderLifetimeSeconds);
    CloseInherited();
    const std::string name =
        "hw:" + std::to_string(options.card) + "," + std::to_string(options.device);
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, name.c_str(),
                              options.capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                              SND_PCM_NONBLOCK);
    if (result == 0 && options.rate) {
        snd_pcm_hw_params_t* params;
        snd_pcm_hw_params_alloca(&params);
        result = snd_pcm_hw_params_any(pcm, params);
        if (result >= 0) result = snd_pcm_hw_params_set_rate(pcm, params, options.rate, 0);
        if (result >= 0) result = snd_pcm_hw_params(pcm, params);
        if (result > 0) result = 0;
    }
    if (::write(kReportFd, &result, sizeof result) != sizeof result) _exit(1);
    char word;
    // A byte or the end of the pipe (the test went) both say: let go.
    while (::read(kCommandFd, &word, 1) < 0 && errno == EINTR) {}
    if (pcm) snd_pcm_close(pcm);
    _exit(0);
}

// Runs as this program starts: in a holder it holds, and the holder never reaches main.
const bool gHolderStarted = [] {
    const char* setting = std::getenv(kHolderVariable);
    if (!setting) return false;
    SoundHolderProcess::Options options;
    int capture;
    if (std::sscanf(setting, "%d %d %d %u", &options.card, &options.device, &capture,
                    &options.rate) != 4)
        _exit(2);
    options.capture = capture != 0;
    Hold(options);
}();

}  // namespace

SoundHolderProcess::SoundHolderProcess(const Options& options) {
    // Everything the child needs is made before the fork: after it, only exec.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    environment.push_back(std::string(kHolderVariable) + "=" + std::to_string(options.card) + " " +
                          std::to_string(options.device) + " " +
                          std::to_string(options.capture ? 1 : 0) + " " +
                          std::to_string(options.rate));
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    char program[] = "/proc/self/exe";
    char* argv[] = {program, nullptr};

    int report[2], command[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        result_ = -errno;
        return;
    }
    if (::pipe2(command, O_CLOEXEC) != 0) {
        result_ = -errno;
        ::close(report[0]);
        ::close(report[1]);
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        // Above the two places first, so that putting one there cannot close the other.
        const int reportEnd = ::fcntl(report[1], F_DUPFD, 10);
        const int commandEnd = ::fcntl(command[0], F_DUPFD, 10);
        if (reportEnd < 0 || commandEnd < 0 || ::dup2(reportEnd, kReportFd) < 0 ||
            ::dup2(commandEnd, kCommandFd) < 0)
            _exit(127);
        ::execve(program, argv, envp.data());
        _exit(127);
    }
    ::close(report[1]);
    ::close(command[0]);
    command_ = command[1];
    if (pid_ < 0) {
        result_ = -errno;
        ::close(report[0]);
        return;
    }
    pollfd answer{report[0], POLLIN, 0};
    int child = 0;
    if (::poll(&answer, 1, kAnswerTimeoutMs) == 1 &&
        ::read(report[0], &child, sizeof child) == sizeof child)
        result_ = child;
    else
        result_ = -ETIMEDOUT;
    ::close(report[0]);
}

SoundHolderProcess::~SoundHolderProcess() {
    Kill();
}

void SoundHolderProcess::Release() {
    if (command_ >= 0) {
        const char word = 1;
        (void)!::write(command_, &word, 1);
    }
    Wait();
}

void SoundHolderProcess::Kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    Wait();
}

void SoundHolderProcess::Wait() {
    if (command_ >= 0) {
        ::close(command_);
        command_ = -1;
    }
    if (pid_ <= 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kExitTimeout;
    int status;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
}

}  // namespace testbed
