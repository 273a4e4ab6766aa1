// Start-up stops at the first failing step, with its message, status 255 and no child started.

#include "station_fixture.h"

using namespace station_test;

TEST(StartupFailures, EachStepFailsInOrderWithItsMessage) {
    Station station(false);
    const std::string d = station.Dir(), settings = d + "/Config/launcher.xml";
    auto failsWith = [&station](const std::string& level, const std::string& message) {
        LaunchFailsAtStartUp(station);
        EXPECT_TRUE(station.LogHas(level, message)) << message << "\n" << station.LogText();
        // Every step's reason is on the console as well, whatever its level.
        EXPECT_NE(station.Output().find(message + "\n"), std::string::npos) << station.Output();
    };
    failsWith("DEBUG", d + "/Config/md5.csv noe exist");

    station.WriteManifest({{"/Proj/bin/tool", "0123456789abcdef0123456789abcdef"}});
    failsWith("DEBUG", "Parse launcher.xml failed.Path=" + settings);
    // Settings that load but do not say where the project is; element names are case-sensitive.
    const std::pair<const char*, const char*> incomplete[] = {
        {"<Config><ProjectDir>P</ProjectDir></Config>", "Config.ProjectFile"},
        {"<Config><ProjectFile>P.prj</ProjectFile></Config>", "Config.ProjectDir"},
        {"<config><ProjectDir>P</ProjectDir><ProjectFile>P.prj</ProjectFile></config>", "Config"}};
    for (const auto& [xml, missing] : incomplete) {
        station.WriteFile("Config/launcher.xml", xml);
        failsWith("DEBUG", std::string(missing) + " is missing in " + settings);
        EXPECT_TRUE(
            station.LogHas("DEBUG", "Parse Config.xml failed. May be file does not exist."));
    }

    station.WriteLauncherXml();
    failsWith("DEBUG", "Parse prj file failed.Prj Path=" + d + "/Proj/Proj.prj");

    // A file of the manifest is missing, and the project asks for digests.
    station.WriteProject("1", "$(ProjectDir)\\work",
                         "<CsvFiles><CsvFile filePath=\"$(ProjectWorkDir)/limits.csv\" "
                         "isEncrypt=\"1\"/></CsvFiles>");
    failsWith("DEBUG", "/Proj/bin/tool have changed");

    station.WriteManifest();
    failsWith("ERROR", "project work path " + d + "/Proj/work not exist");

    station.WriteFile("Proj/work/limits.csv", "a,b\n1,2\n");
    failsWith("ERROR", "Decryption csv File " + d + "/Proj/work/limits.bry not exist");
    EXPECT_TRUE(station.LogHas("ERROR", "DecryptCsvFiles faile, please check reasons with log"));

    // No station script; the protected file was decrypted before that.
    ASSERT_EQ("exit 0",
              WaitEnd(Spawn({VX_PACK_BIN, "protect", d + "/Proj/work/limits.csv"}), 10000));
    station.RemoveFile("Proj/work/limits.csv");
    failsWith("DEBUG", "Parse config.py failed.Path=" + d + "/Proj");
    EXPECT_EQ("a,b\n1,2\n", station.ReadFile("Proj/work/limits.csv"));

    station.WriteConfigPy(4097, 1, {});
    failsWith("DEBUG",
              "Too many processes: modules=4097 x slots=1 is 4097, more than 4096. "
              "Correct \"modules\" and \"slots\" returned by get_configA in config.py.");
    station.WriteConfigPy(1, 1, {});
    failsWith("DEBUG",
              "Parse zmq config failed.Project Path=" + d + "/Proj/VX/TesterConfig/zmqports.json");

    station.WritePorts(-1, -1, -1);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
}

TEST(StartupFailures, DigestFindingsStopStartUpUnlessTolerated) {
    Station station;
    station.WriteFile("Config/abc", "abc");
    station.WriteFile("Config/Config.JSON", "{}");
    const std::string bad = "00000000000000000000000000000000";
    std::vector<std::pair<std::string, std::string>> tolerated = {
        {"/Config/abc", "900150983cd24fb0d6963f7d28e17f72"}};  // unchanged
    for (const char* path :
         {"/log/Launcher.log", "/Config/config.json", "/VXLauncher", "/Proj/Proj.prj",
          "/Proj/Data/limits.csv", "/Proj/VX/TesterConfig/config.pyc", "/.DS_Store"})
        tolerated.push_back({path, bad});  // of the tolerated kinds
    auto all = tolerated;
    all.insert(all.begin() + 2, {"/Config/config.py", bad});  // missing; not a "config.pyc"
    all.push_back({"/Config/Config.JSON", bad});  // changed; the tolerated names are case-sensitive

    // Not checked when the project says so, but the manifest must be there all the same.
    station.WriteManifest(all);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    station.RemoveFile("Config/md5.csv");
    LaunchFailsAtStartUp(station);
    EXPECT_TRUE(station.LogHas("DEBUG", station.Dir() + "/Config/md5.csv noe exist"));

    // IsCheckMD5 beyond 32 bits saturates and keeps the check on (it once wrapped to 0).
    station.WriteProject("4294967296");
    station.WriteManifest(all);
    LaunchFailsAtStartUp(station);
    EXPECT_EQ(std::vector<std::string>(
                  {"/Config/config.py have changed", "/Config/Config.JSON have changed"}),
              Lines(station.Output(), " have changed"));
    station.WriteManifest(tolerated);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
}
