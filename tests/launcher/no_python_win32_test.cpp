// The shipped launcher where no python3.dll can be found: start-up fails at the station script,
// status 255, with a reason that says what was looked for and where.

#include "station_fixture.h"

using namespace station_test;

TEST(NoPython, TheShippedLauncherFailsAtTheScriptNamingWhatItLookedFor) {
    Station station(true, true);
    LaunchFailsAtStartUp(station);
    const std::string reason =
        "Cannot load python3.dll: not found, or a DLL it needs (the python3X.dll beside it) is "
        "missing. Looked for in the launcher's directory (" +
        station.Dir() +
        "), the system directories, the current directory and PATH. The station script needs a "
        "64-bit CPython 3.8 or later installed there.";
    EXPECT_TRUE(station.LogHas("ERROR", reason)) << station.LogText();
    EXPECT_EQ(1u, Lines(station.Output(), reason).size()) << station.Output();
    EXPECT_TRUE(station.LogHas("DEBUG", "Parse config.py failed.Path=" + station.ProjectDir()));
}
