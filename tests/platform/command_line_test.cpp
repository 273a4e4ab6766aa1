#include "platform/command_line.h"

#include <gtest/gtest.h>

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksAndTabsSeparateAndRunsCollapse) {
    EXPECT_EQ(SplitCommandLine("  prog\ta   b\t\t c  "), (Args{"prog", "a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine(" \t "), Args{});
}

TEST(SplitCommandLine, DoubleQuotesGroupAndMayStartMidArgument) {
    EXPECT_EQ(SplitCommandLine("\"C:/Program Files/x.exe\" -p \"a b\""),
              (Args{"C:/Program Files/x.exe", "-p", "a b"}));
    EXPECT_EQ(SplitCommandLine("--name=\"a b\"c d"), (Args{"--name=a bc", "d"}));
    EXPECT_EQ(SplitCommandLine("a \"\" b"), (Args{"a", "", "b"}));
    EXPECT_EQ(SplitCommandLine("\"unterminated group"), (Args{"unterminated group"}));
    EXPECT_EQ(SplitCommandLine("'single' quotes"), (Args{"'single'", "quotes"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsLiteral) {
    EXPECT_EQ(SplitCommandLine("\"a\"\"b\" c"), (Args{"a\"b", "c"}));
}

TEST(SplitCommandLine, BackslashesAreLiteralUnlessBeforeAQuote) {
    EXPECT_EQ(SplitCommandLine("C:\\dir\\x.exe a\\\\b"), (Args{"C:\\dir\\x.exe", "a\\\\b"}));
    // 2n+1 backslashes and a quote: n backslashes and a literal quote.
    EXPECT_EQ(SplitCommandLine("a\\\"b"), (Args{"a\"b"}));
    EXPECT_EQ(SplitCommandLine("a\\\\\\\"b"), (Args{"a\\\"b"}));
    // 2n backslashes and a quote: n backslashes, and the quote groups.
    EXPECT_EQ(SplitCommandLine("\"a\\\\\" b"), (Args{"a\\", "b"}));
    EXPECT_EQ(SplitCommandLine("\"dir\\\\\""), (Args{"dir\\"}));
    EXPECT_EQ(SplitCommandLine("trailing\\"), (Args{"trailing\\"}));
}
