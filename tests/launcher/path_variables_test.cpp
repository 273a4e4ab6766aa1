// The path variables: the order they are substituted in, and that a substituted value is
// never expanded again by its own step. (What each stands for shows in the plan lines.)

#include "launcher/path_variables.h"

#include <gtest/gtest.h>

struct Case {
    PathVariableSources sources;  // application dir, project dir name, work path, port file
    const char* text;
    const char* expected;
};

TEST(PathVariables, ReplacePathVariables) {
    const char* const self = "$(ZmqPortFileFullPath)";
    const Case cases[] = {
        {{"/a", "P", "/w", ""}, "$(ProjectDir);$(ProjectDir) $(Unknown)", "/a/P;/a/P $(Unknown)"},
        {{"/a", "P", "/w", ""}, "$(ZmqPortFileFullPath)", "/a/P/VX/TesterConfig/zmqports.json"},
        // The text's backslashes turn before any value goes in; a value's own stay.
        {{"/a", "P", "/w", ""}, "C:\\data\\$(AppWorkDir)", "C:/data//a"},
        {{"/a", "P", "D:\\w", ""}, "$(ProjectWorkDir)\\x", "D:\\w/x"},
        // An inserted value is searched only by later steps.
        {{"/a", "P", "$(ProjectDir)/w", ""}, "$(ProjectWorkDir)", "$(ProjectDir)/w"},
        {{"/a", "$(ProjectWorkDir)", "/w", ""}, "$(ProjectDir)", "/a//w"},
        {{"/d/$(AppWorkDir)", "P", "/w", ""}, "$(AppWorkDir)/x", "/d/$(AppWorkDir)/x"},
        {{"/a", "P", "/w", self}, self, self},  // the port file cannot name itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        ReplacePathVariables(text, c.sources);
        EXPECT_EQ(c.expected, text);
    }
}

TEST(PathVariables, PortFileDefaultsBesideTheStationScriptOrIsTheProjectsEntirely) {
    const Case cases[] = {
        {{"/a", "P", "/w", ""}, "", "/a/P/VX/TesterConfig/zmqports.json"},
        {{"/a", "P", "/w", "$(ProjectWorkDir)\\ports.json"}, "", "/w/ports.json"},
        {{"/a", "P", "/w", "ports.json"}, "", "ports.json"},  // joined to no directory
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, ZmqPortFilePathOf(c.sources));
}
