#include "platform/linux/SoundCardList.h"

#include <libudev.h>

#include <algorithm>
#include <set>

#include "platform/linux/ProcAsoundText.h"

namespace platform {
namespace {

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

SoundCardList::SoundCardList() : devices_("sound") {}

bool SoundCardList::TakeReports(std::vector<std::string>* removed) {
    return devices_.TakeReports([&](const char* action, udev_device* device) {
        int number;
        if (std::string(action) == "remove" &&
            ParseNumberedName(Text(udev_device_get_sysname(device)), "card", &number))
            removed->push_back(Text(udev_device_get_syspath(device)));
    });
}

std::vector<SoundCardEntry> SoundCardList::Cards() {
    std::vector<SoundCardEntry> cards;
    std::set<std::string> controlParents;
    devices_.ForEachDevice([&](udev_device* device) {
        const std::string name = Text(udev_device_get_sysname(device));
        int number;
        if (ParseNumberedName(name, "card", &number)) {
            cards.push_back({number, Text(udev_device_get_syspath(device))});
        } else if (ParseNumberedName(name, "controlC", &number)) {
            if (udev_device* parent = udev_device_get_parent(device))
                controlParents.insert(Text(udev_device_get_syspath(parent)));
        }
        return true;
    });
    std::erase_if(cards, [&](const SoundCardEntry& card) {
        return card.syspath.empty() || !controlParents.count(card.syspath);
    });
    std::sort(cards.begin(), cards.end(),
              [](const SoundCardEntry& a, const SoundCardEntry& b) { return a.number < b.number; });
    return cards;
}

}  // namespace platform
