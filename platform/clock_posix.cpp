#include <errno.h>
#include <sys/time.h>
#include <time.h>

#include <cstdio>

#include "platform/clock.h"

std::string GetLocalTimeString() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    char text[64];
    snprintf(text, sizeof(text), "%d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
             static_cast<int>(now.tv_nsec / 1000000));
    return text;
}

void SleepMs(uint32_t milliseconds) {
    struct timespec rest;
    rest.tv_sec = milliseconds / 1000;
    rest.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    // A signal handled elsewhere must not cut the sleep short.
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}
