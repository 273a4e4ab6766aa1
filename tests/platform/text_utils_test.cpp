#include "platform/text_utils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <thread>

using Pieces = std::vector<std::string>;

TEST(GetFileName, PointsBehindTheLastSlashOrBackslash) {
    const char* path = "a/b\\c.txt";
    EXPECT_EQ(GetFileName(path), path + 4);
    EXPECT_STREQ(GetFileName("c.txt"), "c.txt");
    const char* directory = "a/b/";
    EXPECT_EQ(GetFileName(directory), directory + 4);
    EXPECT_STREQ(GetFileName(""), "");
}

TEST(SplitString, KeepsInnerAndLeadingEmptyPiecesButNoTrailingOne) {
    Pieces pieces;
    SplitString("a..b", ".", pieces);
    EXPECT_EQ(pieces, (Pieces{"a", "", "b"}));
    pieces.clear();
    SplitString(".a.", ".", pieces);
    EXPECT_EQ(pieces, (Pieces{"", "a"}));
    pieces.clear();
    SplitString("", ".", pieces);
    EXPECT_EQ(pieces, Pieces{});
    SplitString("Project::Name", "::", pieces);  // appends, with a longer separator
    SplitString("x", ".", pieces);
    EXPECT_EQ(pieces, (Pieces{"Project", "Name", "x"}));
    pieces.clear();
    SplitString("abc", "", pieces);
    EXPECT_EQ(pieces, Pieces{"abc"});
}

TEST(ReplaceString, NeverSearchesTheInsertedText) {
    std::string text = "$(X)/$(X)";
    EXPECT_EQ(ReplaceString(text, "$(X)", "$(X)y", true), 2);
    EXPECT_EQ(text, "$(X)y/$(X)y");
    text = "aaa";
    EXPECT_EQ(ReplaceString(text, "a", "b", false), 1);
    EXPECT_EQ(text, "baa");
    EXPECT_EQ(ReplaceString(text, "zz", "b", true), 0);
    EXPECT_EQ(ReplaceString(text, "", "b", true), 0);
    EXPECT_EQ(text, "baa");
}

TEST(RemoveChars, RemovesOnlyTheFirstCountCharactersOfTheSet) {
    std::string text = "one two\r\nthree four\n";
    RemoveChars(text, "\r\n ", 3);
    EXPECT_EQ(text, "onetwothreefour");
    text = "abc";
    RemoveChars(text, "cb", 1);
    EXPECT_EQ(text, "ab");
    RemoveChars(text, nullptr, 5);
    EXPECT_EQ(text, "ab");
}

TEST(AnsiToWide, ConvertsUtf8BothWaysWithoutTouchingTheLocale) {
    const std::string before = setlocale(LC_ALL, nullptr);
    const std::string narrow = "Station \xe6\xb5\x8b\xe8\xaf\x95 caf\xc3\xa9";  // CJK and é
    std::wstring wide = AnsiToWide(narrow);
    EXPECT_EQ(wide, L"Station \u6d4b\u8bd5 caf\u00e9");
    EXPECT_EQ(WideToAnsi(wide), narrow);
    EXPECT_EQ(AnsiToWide(""), L"");
    EXPECT_EQ(setlocale(LC_ALL, nullptr), before);

    // Conversions on several threads at once give the same answers.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (WideToAnsi(AnsiToWide(narrow)) != narrow) ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(FormatString, FormatsAnyLength) {
    EXPECT_EQ(FormatString("%s:%02d", "t", 5), "t:05");
    std::string longText(9000, 'L');
    EXPECT_EQ(FormatString("%s", longText.c_str()), longText);
}
