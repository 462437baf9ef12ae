#include "device/Log.h"

void LogMessage(const char* /*format*/, ...) {}

void LogAVCMessage(const AVCMsg& /*m*/) {}

void LogGetAVCMessage(const AVCMsg& /*m*/) {}
