// VXLauncher: brings up one test station. Takes no arguments; everything is found from the
// executable's own directory. Exit status 0 after Ctrl-C, -1 when start-up fails, 3 when
// another launcher runs the same installation.

#include <cstdio>

#include "launcher/launcher.h"
#include "platform/clock.h"
#include "platform/console_events.h"
#include "platform/file_system.h"
#include "platform/instance_lock.h"
#include "platform/log.h"

int main() {
    // Console lines must appear at once, interleaved with the children's output.
    setvbuf(stdout, nullptr, _IONBF, 0);

    // Before the log is opened or a process is touched: a second launcher of one installation
    // would kill the first one's children and write into its log.
    const int kAnotherLauncherRuns = 3;
    if (!LockInstallation(GetExeDir())) return kAnotherLauncherRuns;

    LOG_INIT(GetExeDir() + "/log/Launcher.log", false);

    // Before any other thread exists: the console events are routed to one thread of their
    // own only if every later thread inherits that they are not delivered to it.
    SetConsoleQuitCallback(&Launcher::ConsoleQuitProc);

    Launcher& launcher = Launcher::Instance();
    if (!launcher.Init()) {
        LOG_PRINT("Init failed, can not launch.");
        return -1;
    }
    // Only a run that gets this far rolls its log over at the end; failed starts leave their
    // records to the next run.
    LOG_ROLL_ON_CLOSE();
    launcher.Run();

    while (launcher.IsRunning()) SleepMs(100);
    // After a console close or shutdown the event's thread ends the process the way that
    // signal does; a normal exit from here must not come first.
    while (IsConsoleEnding()) SleepMs(100);

    LOG_PRINT("Exit success.");
    LOG_SHUTDOWN();
    return 0;
}
