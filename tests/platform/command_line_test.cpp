#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "tests/platform/narrow_text_samples.h"

TEST(SplitCommandLine, FollowsTheWindowsRuntimeRules) {
    // 2n+1 backslashes before a quote give n and a literal quote, 2n give n and a grouping one.
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"  prog\ta   b\t\t c  ", {"prog", "a", "b", "c"}},
        {"", {}},
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
        {"trailing\\", {"trailing\\"}}};
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.first), c.second) << c.first;
    // A character whose second byte is 0x5C (code page 936) is no backslash before a quote.
    for (const std::string& name : NonAsciiNames()) {
        const std::vector<std::string> split = {name, name + " " + name, name};
        EXPECT_EQ(SplitCommandLine("\"" + name + "\" \"" + name + " " + name + "\" " + name),
                  split);
    }
}

TEST(SplitProgramCommandLine, TheShortestPrefixThatNamesAProgramWinsWhateverItHolds) {
    const auto programs = [](const std::string& path) {
        return path == "/opt/my station/bin/run" || path == "/opt/q\"uote/run";
    };
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"/opt/my station/bin/run -a \"b c\"", {"/opt/my station/bin/run", "-a", "b c"}},
        {"/opt/q\"uote/run x", {"/opt/q\"uote/run", "x"}},
        {"/opt/my station/bin/run", {"/opt/my station/bin/run"}},
        // Quoted, or naming no program: split as always.
        {"\"/opt/my station/bin/run\" x", {"/opt/my station/bin/run", "x"}},
        {"/opt/other place/run x", {"/opt/other", "place/run", "x"}},
        {"", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(SplitProgramCommandLine(c.first, programs), c.second) << c.first;
}
