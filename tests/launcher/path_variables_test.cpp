// The order the path variables go in; no step expands a value it inserted (values: plan lines).

#include "launcher/path_variables.h"

#include <gtest/gtest.h>

#include <tuple>

// The sources (application dir, project dir name, work path, port file), a text, the result.
typedef std::tuple<PathVariableSources, const char*, const char*> Case;

TEST(PathVariables, SubstitutionOrderAndThePortFile) {
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
    for (const auto& [sources, text, expected] : cases) {
        std::string replaced = text;
        ReplacePathVariables(replaced, sources);
        EXPECT_EQ(expected, replaced) << text;
    }
    // The port file: beside the station script, or the project's own entirely.
    const Case portFiles[] = {
        {{"/a", "P", "/w", ""}, "", "/a/P/VX/TesterConfig/zmqports.json"},
        {{"/a", "P", "/w", "$(ProjectWorkDir)\\ports.json"}, "", "/w/ports.json"},
        {{"/a", "P", "/w", "ports.json"}, "", "ports.json"},  // joined to no directory
    };
    for (const auto& [sources, unused, expected] : portFiles)
        EXPECT_EQ(expected, ZmqPortFilePathOf(sources)) << sources.zmqPortJson;
}
