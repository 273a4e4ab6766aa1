#include "platform/text_utils.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/platform/narrow_text_samples.h"

#include <atomic>
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

int ConcurrentRoundTripFailures(const std::string& narrow) {
    std::atomic<int> wrong{0};
    auto convert = [&] {
        for (int i = 0; i < 2000; ++i) wrong += WideToAnsi(AnsiToWide(narrow)) != narrow;
    };
    std::thread first(convert), second(convert), third(convert);
    convert();
    for (std::thread* thread : {&first, &second, &third}) thread->join();
    return wrong;
}

TEST(NarrowPaths, SeparatorsAreFoundOnlyBetweenCharacters) {
    // The platform's own non-ASCII names with either separator.
    for (const std::string& name : NonAsciiNames()) {
        const std::string path = "C:\\" + name + "\\" + name + "/" + name;
        EXPECT_EQ(ToForwardSlashes(path), "C:/" + name + "/" + name + "/" + name) << name;
        EXPECT_EQ(GetFileName(path.c_str()), name);
        EXPECT_EQ(ExeDirFromPath(path), "C:/" + name + "/" + name);
        EXPECT_FALSE(EndsWithSeparator(path));
        EXPECT_TRUE(EndsWithSeparator(path + "\\"));
    }
    EXPECT_EQ(GetFileName("a\\"), std::string());
    EXPECT_FALSE(EndsWithSeparator(""));
}
