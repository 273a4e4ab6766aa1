// bench_launcher: how long the launcher takes to bring up a station of 4 modules and 8 slots
// (70 children, 68 port probes, every wait 0), next to a shell script that starts the same
// children in the same order; and how long it takes from Ctrl-C until it has ended with
// every child gone. Prints its figures.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "station_fixture.h"

using namespace station_test;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

const int kModules = 4;
const int kSlots = 8;
const int kRuns = 5;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Plan {
    std::vector<ScriptProcess> entries;
    std::vector<std::string> commands;  // the same children as plain command lines, in order
};

Plan MakePlan(const Station& station, const std::string& child) {
    Plan plan;
    const std::string bin = "$(ProjectDir)/bin";
    plan.entries = {
        {"Monitor", "", bin, child, "ignore-term", 0},
        {"Sequence", "", bin, child, "ignore-term module slot", 0},
        {"Engine", "", bin, child, "ignore-term module slot", 0},
        {"StateMachine", "", bin, child, "ignore-term module", 0},
        {"Recorder", "", bin, child, "ignore-term", 0},
    };
    const std::string program = station.ProjectDir() + "/bin/" + child;
    plan.commands.push_back(program + " ignore-term");
    for (const char* family : {"Sequence", "Engine"}) {
        (void)family;
        for (int m = 0; m < kModules; ++m)
            for (int s = 0; s < kSlots; ++s)
                plan.commands.push_back(program + " ignore-term " + std::to_string(m) + " " +
                                        std::to_string(s));
    }
    for (int m = 0; m < kModules; ++m)
        plan.commands.push_back(program + " ignore-term " + std::to_string(m));
    plan.commands.push_back(program + " ignore-term");
    return plan;
}

// One run of the shell script: from its start to its end, every child started in the
// background, its output either discarded or captured through a pipe that a reader (cat)
// drains, as the launcher captures it.
double RunShellScript(const Station& station, const Plan& plan, bool captured) {
    std::string script = "#!/bin/sh\n";
    const char* redirect = captured ? " 2>&1 | cat >/dev/null &\n" : " >/dev/null 2>&1 &\n";
    for (const std::string& command : plan.commands) script += command + redirect;
    const std::string path = station.Dir() + "/start-all.sh";
    FILE* file = fopen(path.c_str(), "w");
    fputs(script.c_str(), file);
    fclose(file);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>(path.c_str()), nullptr};
    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    posix_spawn(&pid, "/bin/sh", nullptr, &attributes, argv, environ);
    waitpid(pid, nullptr, 0);
    const double elapsed = MsSince(start);
    posix_spawnattr_destroy(&attributes);
    // Everything the script started shares its process group.
    kill(-pid, SIGKILL);
    usleep(200000);
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    return elapsed;
}

struct LauncherFigures {
    double untilFirstStart = 0;  // start-up and leftovers check
    double probes = 0;           // "Start to check" to "Finish to check"
    double startPhase = 0;       // launch to the last "successful" line
    double quit = 0;             // SIGINT to exit with every child gone
    double close = 0;            // SIGINT to the last runner closed
};

LauncherFigures RunLauncher(Station& station, const std::string& lastLine) {
    LauncherFigures figures;
    const Clock::time_point start = Clock::now();
    station.Launch();
    station.WaitForOutput("Start to check process running state.", 30000);
    const double checkStart = MsSince(start);
    station.WaitForOutput("Finish to check process running state.", 30000);
    figures.probes = MsSince(start) - checkStart;
    figures.untilFirstStart = MsSince(start);
    station.WaitForOutput(lastLine, 60000);
    figures.startPhase = MsSince(start);

    const std::vector<int> children = ChildrenOf(station.Pid());
    const Clock::time_point quitStart = Clock::now();
    station.Signal(SIGINT);
    station.WaitForCount("CloseProcess success.", 70, 30000);
    figures.close = MsSince(quitStart);
    station.WaitForExit(30000);
    for (int pid : children)
        while (ProcessExists(pid)) {
            waitpid(pid, nullptr, WNOHANG);  // one handed to this process as a subreaper
            usleep(100);
        }
    figures.quit = MsSince(quitStart);
    if (children.size() != 70)
        std::printf("warning: %zu children instead of 70\n", children.size());
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    Station station;
    station.WriteMinimalStation();
    const int base = FindFreePortRange(80);
    station.WritePorts(base, base + 32, base + 64);
    const std::string child = station.AddChildProgram("bench");
    const Plan plan = MakePlan(station, child);
    station.WriteConfigPy(kModules, kSlots, plan.entries);

    std::vector<double> shell, shellCaptured, startPhase, untilFirstStart, probes, quit, close;
    for (int run = 0; run < kRuns; ++run) {
        shell.push_back(RunShellScript(station, plan, false));
        shellCaptured.push_back(RunShellScript(station, plan, true));
        LauncherFigures figures = RunLauncher(station, "Start Process Recorder successful.");
        startPhase.push_back(figures.startPhase);
        untilFirstStart.push_back(figures.untilFirstStart);
        probes.push_back(figures.probes);
        quit.push_back(figures.quit);
        close.push_back(figures.close);
    }

    std::printf(
        "bench_launcher: station of %d modules x %d slots, %zu children, %d port probes, "
        "every wait 0; median of %d runs (min in brackets)\n",
        kModules, kSlots, plan.commands.size(), 2 * kModules * kSlots + kModules, kRuns);
    auto row = [](const char* what, const std::vector<double>& values) {
        std::printf("  %-58s %8.1f ms  [%.1f]\n", what, Median(values),
                    *std::min_element(values.begin(), values.end()));
    };
    row("launcher: start to last \"Start Process ... successful.\"", startPhase);
    row("  of which start-up (script, files) and leftovers check", untilFirstStart);
    row("  of which the 68 port probes", probes);
    row("shell script, same children, same order, output discarded", shell);
    row("shell script, same children, same order, output piped to cat", shellCaptured);
    row("launcher: SIGINT to exit with every child gone", quit);
    row("  of which closing the 70 runners (rest: the 100 ms poll)", close);
    return 0;
}
