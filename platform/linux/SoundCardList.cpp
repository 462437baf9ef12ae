#include "platform/linux/SoundCardList.h"

#include <libudev.h>

#include <algorithm>
#include <set>

#include "platform/linux/ProcAsoundText.h"

namespace platform {
namespace {

// Far more than ALSA's 32 cards with their devices; a listing beyond it is cut short.
constexpr size_t kMaxSoundDevices = 4096;
// Reports taken at one go, so a flood cannot hold the watch's thread.
constexpr int kMaxReportsPerTake = 256;

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

SoundCardList::SoundCardList() : udev_(udev_new()) {
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "sound", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

SoundCardList::~SoundCardList() {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

int SoundCardList::MonitorFd() const {
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

bool SoundCardList::TakeReports(std::vector<std::string>* removed) {
    if (!monitor_) return false;
    bool any = false;
    for (int i = 0; i < kMaxReportsPerTake; ++i) {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (!device) break;
        int number;
        if (Text(udev_device_get_action(device)) == "remove" &&
            ParseNumberedName(Text(udev_device_get_sysname(device)), "card", &number))
            removed->push_back(Text(udev_device_get_syspath(device)));
        udev_device_unref(device);
        any = true;
    }
    return any;
}

std::vector<SoundCardEntry> SoundCardList::Cards() {
    std::vector<SoundCardEntry> cards;
    if (!udev_) return cards;
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (!enumerate) return cards;
    std::set<std::string> controlParents;
    size_t seen = 0;
    if (udev_enumerate_add_match_subsystem(enumerate, "sound") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            if (++seen > kMaxSoundDevices) break;
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!device) continue;
            const std::string name = Text(udev_device_get_sysname(device));
            int number;
            if (ParseNumberedName(name, "card", &number)) {
                cards.push_back({number, Text(udev_device_get_syspath(device))});
            } else if (ParseNumberedName(name, "controlC", &number)) {
                if (udev_device* parent = udev_device_get_parent(device))
                    controlParents.insert(Text(udev_device_get_syspath(parent)));
            }
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(enumerate);
    std::erase_if(cards, [&](const SoundCardEntry& card) {
        return card.syspath.empty() || !controlParents.count(card.syspath);
    });
    std::sort(cards.begin(), cards.end(),
              [](const SoundCardEntry& a, const SoundCardEntry& b) { return a.number < b.number; });
    return cards;
}

}  // namespace platform
