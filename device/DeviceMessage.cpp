#include "device/DeviceMessage.h"

#include <cstdio>

namespace {

void WriteToStderr(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}

DeviceMessageFunction gShow = &WriteToStderr;

}  // namespace

void ShowDeviceMessage(const char* text) {
    gShow(text);
}

DeviceMessageFunction SetDeviceMessageFunction(DeviceMessageFunction function) {
    DeviceMessageFunction previous = gShow;
    gShow = function != nullptr ? function : &WriteToStderr;
    return previous;
}
