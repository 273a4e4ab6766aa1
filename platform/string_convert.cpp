#include "platform/string_convert.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Where the hexadecimal digits start behind `prefix`, or null when the prefix stands
// somewhere a number cannot have it. Sets `found` when the prefix occurs at all.
const char* SkipHexPrefix(const char* text, const char* prefix, bool& found) {
    const char* at = strstr(text, prefix);
    found = at != nullptr;
    if (!found) return text;
    bool negative = text[0] == '-';
    if (at != text && !negative) return nullptr;
    return text + (negative ? 3 : 2);
}

}  // namespace

bool IsDecimalString(const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (IsDigit(*p)) continue;
        if (*p == '-' && p == text && p[1] != '\0') continue;
        return false;
    }
    return true;
}

bool IsHexString(const char* text) {
    bool found = false;
    const char* digits = SkipHexPrefix(text, "0x", found);
    if (!found) digits = SkipHexPrefix(text, "0X", found);
    if (digits == nullptr) return false;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (!IsHexDigit(*p)) return false;
    }
    return true;
}

int FromString(const std::string& text, const int& defaultValue) {
    // The conversions of the stations' C runtime, whose long is 32 bits: a value beyond it
    // saturates rather than wrapping (4294967296 must never read as 0).
    if (IsDecimalString(text.c_str())) {
        const long long value = strtoll(text.c_str(), nullptr, 10);  // saturates at 64 bits
        if (value > INT32_MAX) return INT32_MAX;
        if (value < INT32_MIN) return INT32_MIN;
        return static_cast<int>(value);
    }
    if (IsHexString(text.c_str())) {
        // Unsigned 32 bits taken as signed; "-" negates, and a magnitude beyond 32 bits gives
        // all bits set (-1), as the 32-bit unsigned conversion does.
        const char* digits = text.c_str();
        const bool negative = *digits == '-';
        if (negative) ++digits;
        const unsigned long long magnitude = strtoull(digits, nullptr, 16);  // saturates too
        if (magnitude > UINT32_MAX) return -1;
        const uint32_t value = static_cast<uint32_t>(magnitude);
        return static_cast<int>(negative ? 0u - value : value);
    }
    return defaultValue;
}

std::string FromString(const std::string& text, const std::string& defaultValue) {
    return text;
}

std::string ToString(const int& value) {
    char buffer[32] = {0};
    snprintf(buffer, sizeof(buffer), "%d", value);
    return buffer;
}
