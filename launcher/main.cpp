// VXLauncher: brings up one test station. Everything is found from the executable's own
// directory. Exit status 0 after Ctrl-C, -1 when start-up fails, 3 when another launcher runs
// the same installation; the options (launcher/options.h) only inform or check.

#include <cstdio>
#include <exception>

#include "launcher/launcher.h"
#include "launcher/options.h"
#include "platform/clock.h"
#include "platform/console_events.h"
#include "platform/console_output.h"
#include "platform/file_system.h"
#include "platform/instance_lock.h"
#include "platform/log.h"

namespace {

// How long the end of the program waits for a slow console before it goes anyway.
const int kLastOutputMs = 1000;

// Ends the program by itself: no console event can come between from here on.
int EndProgram(int status) {
    ClaimProgramEnd();
    if (status == 0) LOG_PRINT("Exit success.");
    // Before the log closes: the flush logs what a stalled console has lost.
    ConsoleFlush(kLastOutputMs);
    if (status == 0) LOG_SHUTDOWN();
    return status;
}

// --check: start-up without a log file, a lock, a kill or a start.
int RunCheck() {
    OpenMissingStandardStreams();
    LOG_INIT_CONSOLE();
    const bool passed = Launcher::Instance().Check();
    ConsoleFlush(kLastOutputMs);
    return passed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const LauncherOptions options = ParseLauncherOptions(argc, argv);
    switch (options.mode) {
        case LauncherMode::kHelp:
            fputs(LauncherUsage().c_str(), stdout);
            return 0;
        case LauncherMode::kVersion:
            puts(LauncherVersion().c_str());
            return 0;
        case LauncherMode::kUnknownOption:
            fprintf(stderr, "VXLauncher: unknown option %s\n\n%s", options.unknownOption.c_str(),
                    LauncherUsage().c_str());
            return 2;
        case LauncherMode::kCheck:
            return RunCheck();
        case LauncherMode::kRun:
            break;
    }

    // Before anything else: a log file must never take the place of a closed standard
    // stream, and an early Ctrl-C must be handled like a later one.
    OpenMissingStandardStreams();
    SetConsoleQuitCallback(&Launcher::ConsoleQuitProc);
    // An event that comes before the log is open is handled once it is.
    HoldConsoleEvents();

    // Console lines must appear at once, interleaved with the children's output.
    setvbuf(stdout, nullptr, _IONBF, 0);

    // Before the log is opened or a process is touched: a second launcher of one installation
    // would kill the first one's children and write into its log.
    const int kAnotherLauncherRuns = 3;
    if (!LockInstallation(GetExeDir())) {
        ReleaseConsoleEvents();
        return EndProgram(kAnotherLauncherRuns);
    }

    LOG_INIT(GetExeDir() + "/log/Launcher.log", false);
    ReleaseConsoleEvents();

    Launcher& launcher = Launcher::Instance();
    try {
        if (!launcher.Init()) {
            LOG_PRINT("Init failed, can not launch.");
            return EndProgram(-1);
        }
        // Only a run that gets this far rolls its log over at the end; failed starts leave
        // their records to the next run.
        LOG_ROLL_ON_CLOSE();
        launcher.Run();
    } catch (const std::exception& error) {
        // Out of memory or threads: no child may outlive the launcher for it.
        LOG_PRINT("The launcher cannot go on: %s. Every process it started is closed.",
                  error.what());
        launcher.Uninit();
        return EndProgram(-1);
    }

    while (launcher.IsRunning()) SleepMs(100);
    return EndProgram(0);
}
