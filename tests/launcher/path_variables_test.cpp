// The path variables: what each stands for, in which order they are substituted, and that a
// substituted value is never expanded again by its own step.

#include "launcher/path_variables.h"

#include <gtest/gtest.h>

namespace {

PathVariableSources Sources() {
    PathVariableSources sources;
    sources.appWorkDir = "/opt/station";
    sources.projectDirName = "Projects/A";
    sources.projectWorkPath = "/opt/station/Projects/A/work";
    return sources;
}

std::string Replaced(std::string text, const PathVariableSources& sources = Sources()) {
    ReplacePathVariables(text, sources);
    return text;
}

TEST(PathVariables, EachVariableStandsForItsValueEveryTimeItOccurs) {
    EXPECT_EQ("/opt/station/x", Replaced("$(AppWorkDir)/x"));
    EXPECT_EQ("/opt/station/Projects/A;/opt/station/Projects/A",
              Replaced("$(ProjectDir);$(ProjectDir)"));
    EXPECT_EQ("/opt/station/Projects/A/work/log", Replaced("$(ProjectWorkDir)/log"));
    EXPECT_EQ("--ports=/opt/station/Projects/A/VX/TesterConfig/zmqports.json",
              Replaced("--ports=$(ZmqPortFileFullPath)"));
}

TEST(PathVariables, BackslashesOfTheTextBecomeSlashesBeforeAnyValueGoesIn) {
    EXPECT_EQ("C:/data//opt/station", Replaced("C:\\data\\$(AppWorkDir)"));
    EXPECT_EQ("a/b/c", Replaced("a\\b/c"));

    // A value's own backslashes are inserted after the turn and stay.
    PathVariableSources sources = Sources();
    sources.projectWorkPath = "D:\\work";
    EXPECT_EQ("D:\\work/x", Replaced("$(ProjectWorkDir)\\x", sources));
}

TEST(PathVariables, AnInsertedValueIsSearchedOnlyByLaterSteps) {
    // A work path not yet expanded holds "$(ProjectDir)": step 4 inserts it after step 3 ran.
    PathVariableSources sources = Sources();
    sources.projectWorkPath = "$(ProjectDir)/work";
    EXPECT_EQ("$(ProjectDir)/work", Replaced("$(ProjectWorkDir)", sources));

    // A project directory name holding "$(ProjectWorkDir)" is expanded by the later step.
    sources = Sources();
    sources.projectDirName = "$(ProjectWorkDir)";
    EXPECT_EQ("/opt/station//opt/station/Projects/A/work", Replaced("$(ProjectDir)", sources));

    // A value holding its own variable does not recurse.
    sources = Sources();
    sources.appWorkDir = "/d/$(AppWorkDir)";
    EXPECT_EQ("/d/$(AppWorkDir)/x", Replaced("$(AppWorkDir)/x", sources));
}

TEST(PathVariables, TextWithoutVariablesOnlyHasItsSeparatorsTurned) {
    EXPECT_EQ("plain text $(Unknown)", Replaced("plain text $(Unknown)"));
}

TEST(PathVariables, PortFileDefaultsBesideTheStationScript) {
    EXPECT_EQ("/opt/station/Projects/A", ProjectDirOf(Sources()));
    EXPECT_EQ("/opt/station/Projects/A/VX/TesterConfig/zmqports.json",
              ZmqPortFilePathOf(Sources()));
}

TEST(PathVariables, ProjectPortFileReplacesTheDefaultEntirely) {
    PathVariableSources sources = Sources();
    sources.zmqPortJson = "$(ProjectWorkDir)\\ports.json";
    EXPECT_EQ("/opt/station/Projects/A/work/ports.json", ZmqPortFilePathOf(sources));

    sources.zmqPortJson = "ports.json";  // not joined to any directory
    EXPECT_EQ("ports.json", ZmqPortFilePathOf(sources));

    // The port file cannot name itself.
    sources.zmqPortJson = "$(ZmqPortFileFullPath)";
    EXPECT_EQ("$(ZmqPortFileFullPath)", ZmqPortFilePathOf(sources));
    EXPECT_EQ("$(ZmqPortFileFullPath)", Replaced("$(ZmqPortFileFullPath)", sources));
}

}  // namespace
