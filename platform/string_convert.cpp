#include "platform/string_convert.h"

#include <cctype>
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
    if (IsDecimalString(text.c_str())) return atoi(text.c_str());
    if (IsHexString(text.c_str())) {
        return static_cast<int>(static_cast<unsigned int>(strtoul(text.c_str(), nullptr, 16)));
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
