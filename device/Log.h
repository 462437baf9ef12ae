#pragma once

#include "device/AVCMsg.h"

// Diagnostic hooks of the device code. They write nothing in this build; the call sites keep
// their texts so a diagnostic build can route them somewhere.
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A message about to go out, or one that was read.
void LogAVCMessage(const AVCMsg& m);
// A message about to be read, or one whose read failed.
void LogGetAVCMessage(const AVCMsg& m);
