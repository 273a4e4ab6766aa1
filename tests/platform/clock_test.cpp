#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

TEST(GetLocalTimeString, AlwaysTwentyThreeCharactersWithLeadingZeros) {
    std::regex shape("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
    for (int i = 0; i < 20; ++i) {
        std::string now = GetLocalTimeString();
        EXPECT_EQ(now.size(), 23u) << now;
        EXPECT_TRUE(std::regex_match(now, shape)) << now;
    }
}

TEST(SleepMs, SleepsAtLeastTheTimeAsked) {
    auto start = std::chrono::steady_clock::now();
    SleepMs(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}
