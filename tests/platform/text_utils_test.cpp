#include "platform/text_utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <thread>

using Pieces = std::vector<std::string>;

TEST(SplitString, AppendsInnerAndLeadingEmptyPiecesButNoTrailingOne) {
    const std::tuple<const char*, const char*, Pieces> cases[] = {
        {"a..b", ".", {"kept", "a", "", "b"}},
        {".a.", ".", {"kept", "", "a"}},
        {"", ".", {"kept"}},
        {"Project::Name", "::", {"kept", "Project", "Name"}},
        {"abc", "", {"kept", "abc"}}};
    for (const auto& [text, separator, expected] : cases) {
        Pieces pieces{"kept"};
        SplitString(text, separator, pieces);
        EXPECT_EQ(pieces, expected) << text;
    }
}

TEST(ReplaceString, NeverSearchesTheInsertedText) {
    std::string text = "$(X)/$(X)";
    EXPECT_EQ(ReplaceString(text, "$(X)", "$(X)y", true), 2);
    EXPECT_EQ(text, "$(X)y/$(X)y");
    text = "aaa";
    EXPECT_EQ(ReplaceString(text, "a", "b", false), 1);
    EXPECT_EQ(ReplaceString(text, "zz", "b", true), 0);
    EXPECT_EQ(ReplaceString(text, "", "b", true), 0);
    EXPECT_EQ(text, "baa");
}

TEST(AnsiToWide, ConvertsUtf8BothWaysOnManyThreadsWithoutTouchingTheLocale) {
    const std::string before = setlocale(LC_ALL, nullptr);
    const std::string narrow = "Station \xe6\xb5\x8b\xe8\xaf\x95 caf\xc3\xa9";  // CJK and é
    EXPECT_EQ(AnsiToWide(narrow), L"Station \u6d4b\u8bd5 caf\u00e9");
    std::atomic<int> wrong{0};
    auto convert = [&] {
        for (int i = 0; i < 2000; ++i) wrong += WideToAnsi(AnsiToWide(narrow)) != narrow;
    };
    std::thread first(convert), second(convert), third(convert);
    convert();
    for (std::thread* thread : {&first, &second, &third}) thread->join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(setlocale(LC_ALL, nullptr), before);
}
