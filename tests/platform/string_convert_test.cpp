#include "platform/string_convert.h"

#include <gtest/gtest.h>

TEST(FromString, DecimalThenHexadecimalThenDefault) {
    const int fallback = 7;
    EXPECT_EQ(FromString("42", fallback), 42);
    EXPECT_EQ(FromString("-42", fallback), -42);
    EXPECT_EQ(FromString("ff", fallback), 255);
    EXPECT_EQ(FromString("abc", fallback), 2748);
    EXPECT_EQ(FromString("0x1F", fallback), 31);
    EXPECT_EQ(FromString("0X1f", fallback), 31);
    EXPECT_EQ(FromString("-0x10", fallback), -16);
    EXPECT_EQ(FromString("12a", fallback), 298);  // not decimal, so hexadecimal
    EXPECT_EQ(FromString("0xFFFFFFFF", fallback), -1);
    for (const char* notNumber :
         {"1.5", "x10", "abg", " 42", "42 ", "-", "--1", "1-", "-1F", "a0x1", "0x1g", "+5"}) {
        EXPECT_EQ(FromString(notNumber, fallback), fallback) << notNumber;
    }
}

TEST(FromString, EmptyTextAndBarePrefixGiveZero) {
    EXPECT_EQ(FromString("", 7), 0);
    EXPECT_EQ(FromString("0x", 7), 0);
    EXPECT_EQ(FromString("-0x", 7), 0);
}

TEST(FromString, TextIsReturnedAsIs) {
    EXPECT_EQ(FromString(std::string("a b"), std::string("default")), "a b");
    EXPECT_EQ(FromString(std::string(""), std::string("default")), "");
}

TEST(IsDecimalAndHexString, MinusNeedsAFollowingCharacter) {
    EXPECT_TRUE(IsDecimalString(""));
    EXPECT_TRUE(IsDecimalString("-0"));
    EXPECT_FALSE(IsDecimalString("-"));
    EXPECT_FALSE(IsDecimalString("1-2"));
    EXPECT_TRUE(IsHexString("-0xAb"));
    EXPECT_FALSE(IsHexString("-Ab"));
    EXPECT_FALSE(IsHexString("1x0x2"));
    EXPECT_TRUE(IsHexString("deadBEEF"));
}

TEST(ToString, WritesDecimal) {
    EXPECT_EQ(ToString(-5), "-5");
    EXPECT_EQ(ToString(0), "0");
    EXPECT_EQ(ToString(-2147483647 - 1), "-2147483648");
}
