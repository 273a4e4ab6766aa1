#pragma once
// Local time as text and sleeping.

#include <cstdint>
#include <string>

// Local time with milliseconds, always 23 characters: "2024-05-01 08:03:09.042".
std::string GetLocalTimeString();

// Blocks the calling thread for `milliseconds`.
void SleepMs(uint32_t milliseconds);
