// Start-up stops at the first step that fails, with that step's message, exit status 255 and
// no child started; digest findings stop it unless they are of the tolerated kinds.

#include <signal.h>

#include <cstdlib>

#include "e2e_support.h"
#include "integrity/md5_manifest.h"

namespace station_test {
namespace {

const char* const kProtectedCsv =
    "<CsvFiles>\n"
    "  <CsvFile filePath=\"$(ProjectWorkDir)/limits.csv\" isEncrypt=\"1\"/>\n"
    "</CsvFiles>\n";

void Protect(const std::string& csvPath) {
    ASSERT_EQ(0, std::system(
                     (std::string(VX_PACK_BIN) + " protect '" + csvPath + "' >/dev/null").c_str()));
}

TEST(StartupFailures, EachStepFailsInOrderWithItsMessage) {
    Station station;
    const std::string d = station.Dir();

    // 1: no manifest.
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", d + "/Config/md5.csv noe exist"));
    EXPECT_NE(std::string::npos, station.Output().find(d + "/Config/md5.csv noe exist\n"));

    // 2: no settings file.
    station.WriteManifest({{"/Proj/bin/tool", "0123456789abcdef0123456789abcdef"}});
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(
        LogHas(station, "DEBUG", "Parse launcher.xml failed.Path=" + d + "/Config/launcher.xml"));
    EXPECT_TRUE(LogHas(station, "DEBUG", "Parse Config.xml failed. May be file does not exist."));

    // 3: no project file.
    station.WriteLauncherXml();
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", "Parse prj file failed.Prj Path=" + d + "/Proj/Proj.prj"));

    // 4: a file of the manifest is missing, and the project asks for digests.
    station.WriteProject("1", "$(ProjectDir)\\work", kProtectedCsv);
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", "/Proj/bin/tool have changed"));

    // 5: the work path does not exist (logged, not printed).
    station.WriteManifest();
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "ERROR", "project work path " + d + "/Proj/work not exist"));
    EXPECT_EQ(std::string::npos, station.Output().find("project work path"));

    // 6: a protected CSV file has no ".bry".
    station.WriteFile("Proj/work/limits.csv", "a,b\n1,2\n");
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(
        LogHas(station, "ERROR", "Decryption csv File " + d + "/Proj/work/limits.bry not exist"));
    EXPECT_TRUE(LogHas(station, "ERROR", "DecryptCsvFiles faile, please check reasons with log"));

    // 7: no station script; the protected file was decrypted before.
    Protect(d + "/Proj/work/limits.csv");
    station.RemoveFile("Proj/work/limits.csv");
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_EQ("a,b\n1,2\n", station.ReadFile("Proj/work/limits.csv"));
    EXPECT_TRUE(LogHas(station, "DEBUG", "Parse config.py failed.Path=" + d + "/Proj"));

    // 8: no port file.
    station.WriteConfigPy(1, 1, {});
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(
        station, "DEBUG",
        "Parse zmq config failed.Project Path=" + d + "/Proj/VX/TesterConfig/zmqports.json"));

    // Everything in place: it runs.
    station.WritePorts(-1, -1, -1);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
}

TEST(StartupFailures, ManifestMustExistEvenWhenDigestsAreNotChecked) {
    Station station;
    station.WriteMinimalStation();
    station.RemoveFile("Config/md5.csv");
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", station.Dir() + "/Config/md5.csv noe exist"));
}

TEST(StartupFailures, SettingsWithoutProjectElementsAreRefusedByName) {
    Station station;
    station.WriteMinimalStation();
    const std::string path = station.Dir() + "/Config/launcher.xml";

    station.WriteFile("Config/launcher.xml", "<Config><ProjectDir>Proj</ProjectDir></Config>");
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", "Config.ProjectFile is missing in " + path));
    EXPECT_TRUE(LogHas(station, "DEBUG", "Parse Config.xml failed. May be file does not exist."));

    // Element names are case-sensitive.
    station.WriteFile(
        "Config/launcher.xml",
        "<config><ProjectDir>Proj</ProjectDir><ProjectFile>Proj.prj</ProjectFile></config>");
    station.Launch();
    ExpectStartupFailure(station);
    EXPECT_TRUE(LogHas(station, "DEBUG", "Config is missing in " + path));
}

TEST(StartupFailures, UntoleratedDigestFindingsAreEachNamed) {
    Station station;
    station.WriteMinimalStation();
    station.WriteProject("1");
    station.WriteFile("Config/Config.JSON", "{}");
    std::string goodDigest;
    ASSERT_TRUE(GetFileMd5(station.Dir() + "/Config/launcher.xml", goodDigest));
    const std::string bad = "00000000000000000000000000000000";
    station.WriteManifest({
        {"/Config/launcher.xml", goodDigest},  // unchanged: no finding
        {"/Config/config.py", bad},            // missing; "config.pyc" is not in its path
        {"/log/Launcher.log", bad},            // tolerated
        {"/Config/Config.JSON", bad},          // changed; the tolerated names are case-sensitive
        {"/Proj/Proj.prj", bad},               // tolerated
    });
    station.Launch();
    ExpectStartupFailure(station);
    const std::string output = station.Output();
    EXPECT_EQ(1, Count(output, "/Config/config.py have changed\n"));
    EXPECT_EQ(1, Count(output, "/Config/Config.JSON have changed\n"));
    EXPECT_EQ(2, Count(output, " have changed"));
    EXPECT_LT(output.find("/Config/config.py have"), output.find("/Config/Config.JSON have"));
}

TEST(StartupFailures, ToleratedFindingsLetStartUpGoOn) {
    Station station;
    station.WriteMinimalStation();
    station.WriteProject("1");
    const std::string bad = "00000000000000000000000000000000";
    station.WriteManifest({{"/log/Launcher.log", bad},
                           {"/Config/config.json", bad},
                           {"/VXLauncher", bad},
                           {"/Proj/Data/limits.csv", bad},
                           {"/Proj/VX/TesterConfig/config.pyc", bad},
                           {"/.DS_Store", bad}});
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
}

TEST(StartupFailures, DigestsAreNotCheckedWhenTheProjectSaysSo) {
    Station station;
    station.WriteMinimalStation();
    station.WriteProject("0");
    station.WriteManifest({{"/Proj/bin/tool", "00000000000000000000000000000000"}});
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
}

}  // namespace
}  // namespace station_test
