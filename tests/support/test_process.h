#pragma once
// Processes and sockets as each system makes them (test_process_<system>.cpp): real children
// started, waited for, listed, killed and sent console events. Pids are the system's own, as ints.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <Poco/Process.h>

#include "platform/console_events.h"

namespace test_support {

extern const char* const kKilledEnd;  // WaitEnd of a process KillProcessById ended

inline int OwnPid() {
    return static_cast<int>(Poco::Process::id());
}
int ParentPid();   // the process that started this one; 0: none (Wine)
bool UnderWine();  // for the few facts Wine 8 gets wrong, such as:
inline const char* const kPortOwnersHidden =
    "Wine 8's table of listening sockets gives every listener the owner pid 0";
std::vector<int> ChildrenOf(int pid);  // oldest first; POSIX: zombies included
bool ProcessExists(int pid);           // POSIX: zombies included; Windows: still running
// Every running process whose program file lies under `dir` (the system's whole process list).
std::vector<int> ProcessesRunningFrom(const std::string& dir);
// Ends a process at once: SIGKILL (Windows: TerminateProcess with exit code 9).
void Kill(int pid);
// True once `pid` has ended within `timeoutMs`; POSIX: collected if it came to this process.
bool WaitGone(int pid, int timeoutMs);
// Starts `args` under a console (POSIX: process group) of its own with default signal handling,
// its output in the file `output` ("": discarded); `inChild` (POSIX only) runs in the child
// just before the program is executed.
int Spawn(const std::vector<std::string>& args, const std::string& output = "",
          const std::function<void()>& inChild = nullptr);
// The end of a process Spawn started: "exit N" (Windows: the code's low byte, as a POSIX shell
// says it), "signal N" (POSIX), or "running" if not ended in time.
std::string WaitEnd(int pid, int timeoutMs);
// `event` as the system delivers it to a process Spawn started: POSIX its signal (SIGINT,
// SIGHUP, SIGTERM, SIGQUIT) to it alone; Windows generated on its console, as if typed there.
bool SendConsoleEvent(int pid, ConsoleEvent event);
inline void SendCtrlC(int pid) {
    SendConsoleEvent(pid, kConsoleCtrlC);
}
void SendSignal(int pid, int signalNumber);  // POSIX only
// The system's part of a station's set-up (POSIX: what a launcher leaves behind comes to this
// process, zombies included, for a test to see) and teardown (ends `launcher`, if not -1, and
// what runs from `dir`, and collects them).
void WatchLeftovers();
void EndWhatRunsFrom(const std::string& dir, int launcher);

// A TCP socket listening on loopback (127.0.0.1, or ::1 with `v6`) at `wanted` (0: any);
// `port` is 0 if that was not free.
class ListeningSocket {
  public:
    ListeningSocket(bool v6, int wanted);
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    int port = 0;

  private:
    intptr_t _socket;
};

}  // namespace test_support
