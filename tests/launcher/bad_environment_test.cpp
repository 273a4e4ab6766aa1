// Bad input met end to end: an installation directory where the log cannot be written, and a
// manifest whose header is wrong. In both the launcher still brings the station up.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e_support.h"

namespace station_test {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Station::Launch clears the log directory of an earlier run, which is the very thing this
// test needs in the way, so the launcher is started here with its console in two files.
pid_t StartWithConsoleIn(const Station& station, const std::string& out, const std::string& err) {
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(127);
        execl((station.Dir() + "/VXLauncher").c_str(), "VXLauncher", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

TEST(BadEnvironment, UnwritableLogDirectoryLeavesTheConsole) {
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("l");
    station.WriteConfigPy(1, 1,
                          {{"Echo", "", "$(ProjectDir)/bin", child, "echo child says hi", 0}});
    // A file where the log directory belongs: neither it nor the log file can be made.
    station.WriteFile("log", "not a directory");
    const std::string out = station.Dir() + "/console.out", err = station.Dir() + "/console.err";

    pid_t pid = StartWithConsoleIn(station, out, err);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    // The child's line may come before or after the launcher's own: wait for both.
    auto started = [&out] {
        const std::string console = ReadAll(out);
        return console.find("child says hi") != std::string::npos &&
               console.find("Start Process Echo successful.") != std::string::npos;
    };
    while (!started() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string console = ReadAll(out);
    EXPECT_NE(std::string::npos, console.find("Start Process Echo successful.")) << console;
    EXPECT_NE(std::string::npos, console.find("child says hi")) << console;
    EXPECT_NE(std::string::npos, console.find("Exit success.")) << console;
    EXPECT_NE(std::string::npos, ReadAll(err).find("log/Launcher.log"));
    EXPECT_EQ("not a directory", station.ReadFile("log"));
}

// A manifest that cannot be read as one yields no findings: the check says false, but there is
// nothing to name, so start-up goes on even though its entry names a missing file.
TEST(BadManifest, WrongHeaderIsNoReasonToStop) {
    Station station;
    station.WriteMinimalStation();
    station.WriteProject("1");
    station.WriteFile("Config/md5.csv",
                      "MD5\n/Proj/bin/missing,00000000000000000000000000000000,\n");
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
}

}  // namespace
}  // namespace station_test
