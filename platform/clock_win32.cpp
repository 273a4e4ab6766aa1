#include <windows.h>

#include <cstdio>

#include "platform/clock.h"

std::string GetLocalTimeString() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    char text[64];
    snprintf(text, sizeof(text), "%d-%02d-%02d %02d:%02d:%02d.%03d", local.wYear, local.wMonth,
             local.wDay, local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
    return text;
}

// Nothing cuts a Sleep short: Windows has no signals, and the sleep is not alertable, so
// queued APCs wait too.
void SleepMs(uint32_t milliseconds) {
    // The largest value means INFINITE to Sleep; as long a finite wait as it allows instead.
    Sleep(milliseconds == INFINITE ? INFINITE - 1 : milliseconds);
}
