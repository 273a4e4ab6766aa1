// The path variables: what each stands for, in which order they are substituted, and that a
// substituted value is never expanded again by its own step.

#include "launcher/path_variables.h"

#include <gtest/gtest.h>

namespace {

const auto kApp = &PathVariableSources::appWorkDir;
const auto kDir = &PathVariableSources::projectDirName;
const auto kWork = &PathVariableSources::projectWorkPath;
const auto kPorts = &PathVariableSources::zmqPortJson;

struct Case {
    std::string PathVariableSources::*changed;  // a source other than the usual, or none
    const char* value;
    const char* text;  // for the port file: unused
    const char* expected;
};

PathVariableSources Sources(const Case& c) {
    PathVariableSources sources{"/st", "Pr/A", "/st/Pr/A/work", ""};
    if (c.changed) sources.*c.changed = c.value;
    return sources;
}

TEST(PathVariables, ReplacePathVariables) {
    const Case cases[] = {
        {nullptr, "", "$(AppWorkDir)/x", "/st/x"},
        {nullptr, "", "$(ProjectDir);$(ProjectDir)", "/st/Pr/A;/st/Pr/A"},
        {nullptr, "", "$(ProjectWorkDir)/log", "/st/Pr/A/work/log"},
        {nullptr, "", "-p=$(ZmqPortFileFullPath)", "-p=/st/Pr/A/VX/TesterConfig/zmqports.json"},
        {nullptr, "", "plain text $(Unknown)", "plain text $(Unknown)"},
        // The text's backslashes turn before any value goes in; a value's own stay.
        {nullptr, "", "C:\\data\\$(AppWorkDir)", "C:/data//st"},
        {kWork, "D:\\work", "$(ProjectWorkDir)\\x", "D:\\work/x"},
        // An inserted value is searched only by later steps.
        {kWork, "$(ProjectDir)/work", "$(ProjectWorkDir)", "$(ProjectDir)/work"},
        {kDir, "$(ProjectWorkDir)", "$(ProjectDir)", "/st//st/Pr/A/work"},
        {kApp, "/d/$(AppWorkDir)", "$(AppWorkDir)/x", "/d/$(AppWorkDir)/x"},
        // The port file cannot name itself.
        {kPorts, "$(ZmqPortFileFullPath)", "$(ZmqPortFileFullPath)", "$(ZmqPortFileFullPath)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        ReplacePathVariables(text, Sources(c));
        EXPECT_EQ(c.expected, text);
    }
}

TEST(PathVariables, PortFileDefaultsBesideTheStationScriptOrIsTheProjectsEntirely) {
    const Case cases[] = {
        {nullptr, "", "", "/st/Pr/A/VX/TesterConfig/zmqports.json"},
        {kPorts, "$(ProjectWorkDir)\\ports.json", "", "/st/Pr/A/work/ports.json"},
        {kPorts, "ports.json", "", "ports.json"},  // joined to no directory
        {kPorts, "$(ZmqPortFileFullPath)", "", "$(ZmqPortFileFullPath)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.expected, ZmqPortFilePathOf(Sources(c)));
    }
    EXPECT_EQ("/st/Pr/A", ProjectDirOf(Sources(cases[0])));
}

}  // namespace
