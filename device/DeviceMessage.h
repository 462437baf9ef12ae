#pragma once

// Messages the device code shows the user (the external-sync refusals). The device code has no
// window system of its own: the application installs a function that shows the text in the
// toolkit's modal message box (default caption, OK button, centred, no parent), and the call
// returns when the user has dismissed it. Without one installed the text goes to stderr.
using DeviceMessageFunction = void (*)(const char* text);

void ShowDeviceMessage(const char* text);

// Installs the function; null restores the default. Returns the previous one.
DeviceMessageFunction SetDeviceMessageFunction(DeviceMessageFunction function);
