// Narrow text on Linux is UTF-8.
#include <gtest/gtest.h>

#include <clocale>

#include "platform/text_utils.h"
#include "tests/platform/narrow_text_samples.h"

TEST(AnsiToWide, ConvertsUtf8BothWaysOnManyThreadsWithoutTouchingTheLocale) {
    const std::string before = setlocale(LC_ALL, nullptr);
    const std::string narrow = "Station \xe6\xb5\x8b\xe8\xaf\x95 caf\xc3\xa9";  // CJK and é
    EXPECT_EQ(AnsiToWide(narrow), L"Station \u6d4b\u8bd5 caf\u00e9");
    EXPECT_EQ(ConcurrentRoundTripFailures(narrow), 0);
    EXPECT_EQ(AnsiToUtf8(narrow), narrow);
    EXPECT_EQ(Utf8ToAnsi("\xff\xfe"), "\xff\xfe") << "bytes pass unchanged";
    EXPECT_EQ(kTextLineEnd, std::string("\n"));
    EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
}
