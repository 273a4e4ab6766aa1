#pragma once
// A station installation in a temporary directory D (D/VXLauncher, D/Config, D/Proj with bin/
// and VX/TesterConfig/, D/log/, the console in D/console.txt) and a launcher run in it under a
// console of its own (POSIX: a process group) and sent a real Ctrl-C, through test_process.h.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "config/script_process.h"
#include "tests/support/test_process.h"
#include "tests/support/test_support.h"

namespace station_test {

using namespace test_support;

extern const char* const kLauncherName;  // the launcher's file name in D

int FindFreePortRange(int count);  // ports no one uses, in a stretch of this process's own

class Station {
  public:
    // `minimal`: WriteMinimalStation. `shipped`: the launcher as built for shipping, which
    // runs the station script; otherwise the one the end-to-end tests run on this system
    // (where no interpreter can run the script: a test build that reads station.json).
    explicit Station(bool minimal = true, bool shipped = false);
    ~Station();  // kills and collects what runs from D

    const std::string& Dir() const { return _root.path; }
    std::string ProjectDir() const { return Dir() + "/Proj"; }
    void WriteFile(const std::string& path, const std::string& content) {
        test_support::WriteFile(_root / path, content);
    }
    void RemoveFile(const std::string& path) { std::filesystem::remove_all(_root / path); }
    std::string ReadFile(const std::string& path) const {
        return test_support::ReadFile(_root / path);
    }
    void WriteLauncherXml(const std::string& extra = "");  // naming Proj/Proj.prj, `extra` in it
    // `checkMd5` "0" or "1", `workPath` verbatim, `extra` inserted in Project.
    void WriteProject(const std::string& checkMd5 = "0",
                      const std::string& workPath = "$(ProjectDir)", const std::string& extra = "");
    // The header and one "path,digest," line per entry.
    void WriteManifest(const std::vector<std::pair<std::string, std::string>>& entries = {});
    // config.py, and the same as VX/TesterConfig/station.json for the test build.
    void WriteConfigPy(int modules, int slots, const std::vector<ScriptProcess>& entries);
    void WritePorts(int sequencer, int engine, int stateMachine);  // -1 leaves a key out
    void WriteMinimalStation();  // all that start-up needs, and no process
    // The test child in Proj/bin under a name of this test process's own; returns the name.
    std::string AddChildProgram(const std::string& suffix);

    std::string Launcher() const { return Dir() + "/" + kLauncherName; }
    // Starts D/VXLauncher; `freshLog` removes D/log first, so that a run is judged by its own.
    void Launch(bool freshLog = true);
    int Pid() const { return _pid; }
    void CtrlC() {
        if (_pid > 0) SendCtrlC(_pid);
    }
    void Signal(int signalNumber) {  // POSIX only
        if (_pid > 0) SendSignal(_pid, signalNumber);
    }
    std::string Output() const { return ReadFile("console.txt"); }
    bool WaitForCount(const std::string& text, int count, int timeoutMs = 10000) {
        return Eventually([&] { return Lines(Output(), text).size() >= size_t(count); }, timeoutMs);
    }
    bool WaitForOutput(const std::string& text, int timeoutMs = 10000) {
        return WaitForCount(text, 1, timeoutMs);
    }
    // log/Launcher.log after what closing the log rolled over from it, whole or as records.
    std::string LogText() const { return ReadLogText(_root / "log/Launcher.log"); }
    std::vector<LogRecord> LogRecords() const { return ReadLogRecords(_root / "log/Launcher.log"); }
    // The messages of the log's records that hold nothing but `characters`, run together.
    std::string RecordsOnlyOf(const std::string& characters) const {
        std::string text;
        for (const auto& record : LogRecords())
            if (!record.second.empty() &&
                record.second.find_first_not_of(characters) == std::string::npos)
                text += record.second;
        return text;
    }
    bool LogHas(const std::string& level, const std::string& message) const {
        const auto records = LogRecords();
        return std::count(records.begin(), records.end(), LogRecord(level, message)) > 0;
    }
    // WaitEnd of the launcher; one still running at the deadline is left to the destructor.
    std::string WaitForExit(int timeoutMs = 10000) {
        const std::string end = WaitEnd(_pid, timeoutMs);
        _pid = end == "running" ? _pid : -1;
        return end;
    }

  private:
    TempDir _root;
    int _pid = -1;
};

// Launches; start-up fails: status 255, the entry point's line last, nothing started.
inline void LaunchFailsAtStartUp(Station& station) {
    station.Launch();
    ASSERT_EQ("exit 255", station.WaitForExit()) << station.Output();
    const std::vector<std::string> lines = Lines(station.Output());
    EXPECT_EQ("Init failed, can not launch.", lines.empty() ? "" : lines.back());
    EXPECT_EQ(std::string::npos, station.Output().find("CreateProcess"));
    EXPECT_TRUE(station.LogHas("DEBUG", "Init failed, can not launch."));
}

// Start-up and the start phase are through and the launcher waits; Ctrl-C ends it with 0.
inline void ExpectRunsThenStopsOnCtrlC(Station& station) {
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    EXPECT_EQ(std::string::npos, station.Output().find("Exit success."));
    station.CtrlC();
    EXPECT_EQ("exit 0", station.WaitForExit()) << station.Output();
    EXPECT_NE(std::string::npos, station.Output().find("Exit success."));
}

}  // namespace station_test
