// Narrow text on Windows is code page 936, whatever the system's own code page is.
#include <gtest/gtest.h>

#include <clocale>

#include "platform/text_utils.h"
#include "tests/platform/narrow_text_samples.h"

TEST(AnsiToWide, ConvertsCodePage936BothWaysOnManyThreadsWithoutTouchingTheLocale) {
    const std::string before = setlocale(LC_ALL, nullptr);
    const std::string narrow = "Station \xb2\xe2\xca\xd4 \x81\x5c caf\xa8\xa6";  // 测试 乗 café
    EXPECT_EQ(AnsiToWide(narrow), L"Station \u6d4b\u8bd5 \u4e57 caf\u00e9");
    EXPECT_EQ(WideToAnsi(L"\u4e57\u5630"), "\x81\x5c\x87\x5c");
    EXPECT_EQ(ConcurrentRoundTripFailures(narrow), 0);
    EXPECT_EQ(AnsiToUtf8("\x81\x5c"), "\xe4\xb9\x97");
    EXPECT_EQ(Utf8ToAnsi("\xe4\xb9\x97/\xc3\xa9"), "\x81\x5c/\xa8\xa6");
    EXPECT_EQ(kTextLineEnd, std::string("\r\n"));
    EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
}
