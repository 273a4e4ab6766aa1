#include "platform/text_utils.h"

#include <gtest/gtest.h>

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
