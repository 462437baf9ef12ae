#include "platform/linux/ProcAsoundCard.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/linux/ProcAsoundText.h"

namespace platform {
namespace {

// Far more than any card has; a folder listing more is not looked at further.
constexpr size_t kMaxPcmFolders = 64;
constexpr size_t kMaxSubstreams = 64;
// The kernel's texts for a substream are a few hundred bytes.
constexpr size_t kMaxFileBytes = 4096;

// The file's first bytes, at most kMaxFileBytes; empty when it cannot be read.
std::string ReadSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text(kMaxFileBytes, '\0');
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return text;
}

// The names in a folder, at most `max` of them.
std::vector<std::string> FolderNames(const std::string& path, size_t max) {
    std::vector<std::string> names;
    DIR* folder = ::opendir(path.c_str());
    if (!folder) return names;
    while (const dirent* entry = ::readdir(folder)) {
        if (names.size() == max) break;
        names.emplace_back(entry->d_name);
    }
    ::closedir(folder);
    return names;
}

}  // namespace

CardActivity ReadCardActivity(int card, int self) {
    CardActivity activity;
    const std::string cardFolder = "/proc/asound/card" + std::to_string(card);
    for (const std::string& pcmName : FolderNames(cardFolder, kMaxPcmFolders)) {
        PcmDevice pcm;
        if (!ParsePcmFolderName(pcmName, &pcm.device, &pcm.capture)) continue;
        activity.pcms.push_back(pcm);
        const std::string pcmFolder = cardFolder + "/" + pcmName;
        for (const std::string& subName : FolderNames(pcmFolder, kMaxSubstreams)) {
            int substream;
            if (!ParseNumberedName(subName, "sub", &substream)) continue;
            const std::string folder = pcmFolder + "/" + subName;
            const SubstreamStatus status = ParseSubstreamStatus(ReadSmallFile(folder + "/status"));
            if (!status.held) continue;
            if (status.ownerPid != self) activity.heldByOther = true;
            if (!activity.streamRate)
                activity.streamRate = ParseHwParamsRate(ReadSmallFile(folder + "/hw_params"));
        }
    }
    std::sort(activity.pcms.begin(), activity.pcms.end(),
              [](const PcmDevice& a, const PcmDevice& b) {
                  return a.device != b.device ? a.device < b.device : !a.capture && b.capture;
              });
    return activity;
}

}  // namespace platform
