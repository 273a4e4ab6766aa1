#include "platform/string_convert.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(FromString, DecimalThenHexadecimalThenTheDefault) {
    // "" and a bare prefix read as 0; "12a" is not decimal, so it is hexadecimal.
    const std::pair<const char*, int> numbers[] = {
        {"42", 42},    {"-42", -42}, {"-0", 0},         {"", 0},      {"ff", 255},
        {"abc", 2748}, {"12a", 298}, {"0x1F", 31},      {"0X1f", 31}, {"-0x10", -16},
        {"0x", 0},     {"-0x", 0},   {"0xFFFFFFFF", -1}};
    for (const auto& c : numbers) EXPECT_EQ(FromString(c.first, 7), c.second) << c.first;
    EXPECT_EQ(FromString("deadBEEF", 7), static_cast<int>(0xdeadbeefu));
    // Beyond 32 bits the conversions saturate as the stations' C runtime does, never wrap:
    // decimal at the int limits, hexadecimal at all bits set.
    const std::pair<const char*, int> beyond[] = {{"4294967296", INT32_MAX},
                                                  {"2147483648", INT32_MAX},
                                                  {"-2147483649", INT32_MIN},
                                                  {"-4294967296", INT32_MIN},
                                                  {"99999999999999999999999", INT32_MAX},
                                                  {"0x100000000", -1},
                                                  {"-0x100000001", -1},
                                                  {"0x10000000000000001", -1}};
    for (const auto& c : beyond) EXPECT_EQ(FromString(c.first, 7), c.second) << c.first;
    for (const char* notNumber :
         {"1.5", "x10", "abg", " 42", "42 ", "-", "--1", "1-", "-1F", "a0x1", "0x1g", "+5"}) {
        EXPECT_EQ(FromString(notNumber, 7), 7) << notNumber;
    }
}
