#include "platform/command_line.h"

#include <gtest/gtest.h>

TEST(SplitCommandLine, FollowsTheWindowsRuntimeRules) {
    // Blanks and tabs separate; double quotes group, also inside an argument, and a doubled
    // one inside quotes is literal; backslashes are literal unless before a quote: 2n+1 of
    // them give n and a literal quote, 2n give n and the quote groups.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"  prog\ta   b\t\t c  ", {"prog", "a", "b", "c"}},
        {"", {}},
        {" \t ", {}},
        {"\"C:/Program Files/x.exe\" -p \"a b\"", {"C:/Program Files/x.exe", "-p", "a b"}},
        {"--name=\"a b\"c d", {"--name=a bc", "d"}},
        {"a \"\" b", {"a", "", "b"}},
        {"\"unterminated group", {"unterminated group"}},
        {"'single' quotes", {"'single'", "quotes"}},
        {"\"a\"\"b\" c", {"a\"b", "c"}},
        {"C:\\dir\\x.exe a\\\\b", {"C:\\dir\\x.exe", "a\\\\b"}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\\\\\" b", {"a\\", "b"}},
        {"\"dir\\\\\"", {"dir\\"}},
        {"trailing\\", {"trailing\\"}}};
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.first), c.second) << c.first;
}
