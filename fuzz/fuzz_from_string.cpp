// The integer rule on any text, and decimal text of any integer.
// Properties: never crashes; a decimal text gives its value saturated at the 32-bit limits; a
// hexadecimal text ("0x"/"0X" prefix, a "-" only before the prefix) gives its value as 32 bits,
// negated for "-", or -1 (all bits) when the magnitude needs more than 32 bits; any other text
// gives the default; ToString writes "%d" text and FromString of it gives the number back.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/string_convert.h"

namespace {

const int kDefault = 0x5eed;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The decimal value when the text is decimal and fits 64 bits.
bool Decimal(const std::string& text, long long& value, bool& fits) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        if (text.size() == 1) return false;
        negative = true;
        i = 1;
    }
    unsigned long long magnitude = 0;
    fits = true;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        if (magnitude > (1ULL << 40)) fits = false;  // far beyond 32 bits: saturated
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (!fits) return true;
    value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return true;
}

// The 32-bit result of a hexadecimal text as the rule reads it.
bool Hex(const std::string& text, int& result) {
    size_t i = 0;
    bool negative = false;
    if (text.compare(0, 3, "-0x") == 0 || text.compare(0, 3, "-0X") == 0) {
        negative = true;
        i = 3;
    } else if (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0) {
        i = 2;
    } else if (text.find("0x") != std::string::npos || text.find("0X") != std::string::npos) {
        return false;
    }
    // A prefix found may not turn up again among the digits.
    if (text.find('x', i) != std::string::npos || text.find('X', i) != std::string::npos)
        return false;
    unsigned long long magnitude = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        int digit = HexValue(text[i]);
        if (digit < 0) return false;
        if (magnitude >> 28) overflow = true;
        magnitude = ((magnitude << 4) | static_cast<unsigned>(digit)) & 0xFFFFFFFFULL;
    }
    // The 32-bit unsigned conversion saturates beyond its width.
    uint32_t converted =
        overflow ? 0xFFFFFFFFu : (negative ? 0u - uint32_t(magnitude) : uint32_t(magnitude));
    result = static_cast<int>(converted);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::AsText(data, size);
    int value = FromString(text, kDefault);
    FUZZ_CHECK(FromString(text, std::string("other")) == text);

    // The rule reads the text as a C string: it ends at a zero byte.
    std::string cText = text.substr(0, text.find('\0'));
    long long decimal = 0;
    bool fits = false;
    int hex = 0;
    if (Decimal(cText, decimal, fits)) {
        FUZZ_CHECK(IsDecimalString(cText.c_str()));
        if (fits && decimal >= INT32_MIN && decimal <= INT32_MAX)
            FUZZ_CHECK(value == static_cast<int>(decimal));
        else
            FUZZ_CHECK(value == (cText[0] == '-' ? INT32_MIN : INT32_MAX));
    } else if (Hex(cText, hex)) {
        FUZZ_CHECK(!IsDecimalString(cText.c_str()) && IsHexString(cText.c_str()));
        FUZZ_CHECK(value == hex);
    } else {
        FUZZ_CHECK(!IsDecimalString(cText.c_str()) && !IsHexString(cText.c_str()));
        FUZZ_CHECK(value == kDefault);
    }

    int32_t number = 0;
    memcpy(&number, data, size < sizeof(number) ? size : sizeof(number));
    std::string written = ToString(number);
    FUZZ_CHECK(written == std::to_string(number));
    FUZZ_CHECK(FromString(written, kDefault) == number);
    return 0;
}
