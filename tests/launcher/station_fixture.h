#pragma once
// A station installation in a temporary directory, laid out piece by piece by a test, and
// the real VXLauncher run in it with its console captured and real signals delivered.
//
// Layout: D/VXLauncher, D/Config/{launcher.xml,md5.csv}, D/Proj/Proj.prj,
// D/Proj/VX/TesterConfig/{config.py,zmqports.json}, D/Proj/bin/<children>.

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace station_test {

// One entry of the station script's "processes" list.
struct ScriptEntry {
    std::string name;
    std::string execute;
    std::string path;
    std::string bin;
    std::string args;
    int sleep = 0;
};

// What a finished launcher left behind.
struct ExitResult {
    bool exited = false;  // ended by itself (exitCode valid)
    int exitCode = -1;
    bool signaled = false;  // ended by a signal (signal valid)
    int signal = 0;
    bool timedOut = false;  // still running at the deadline (then killed)
};

// Ports no one listens on, `count` of them in a row, chosen per test process so that tests
// running in parallel do not meet.
int FindFreePortRange(int count);

// True when something listens on 127.0.0.1:port.
bool IsListening(int port);

// Ids of the processes whose parent is `pid`; zombies included.
std::vector<int> ChildrenOf(int pid);

// True while a process (or zombie) with this id exists.
bool ProcessExists(int pid);

// Record message texts of a log file written by the launcher ("... [DEBUG] text").
struct LogRecord {
    std::string level;
    std::string message;
};
std::vector<LogRecord> ParseLogRecords(const std::string& logText);

class Station {
  public:
    Station();
    ~Station();

    const std::string& Dir() const { return _dir; }
    std::string ProjectDir() const { return _dir + "/Proj"; }

    void WriteFile(const std::string& relativePath, const std::string& content);
    void RemoveFile(const std::string& relativePath);
    bool FileExists(const std::string& relativePath) const;
    std::string ReadFile(const std::string& relativePath) const;

    // Config/launcher.xml naming Proj/Proj.prj.
    void WriteLauncherXml();
    // A project file; `checkMd5` "0" or "1", `workPath` verbatim, `extra` inserted in Project.
    void WriteProject(const std::string& checkMd5 = "0",
                      const std::string& workPath = "$(ProjectDir)", const std::string& extra = "");
    // Config/md5.csv: the header and one "path,digest," line per entry.
    void WriteManifest(const std::vector<std::pair<std::string, std::string>>& entries = {});
    void WriteConfigPy(int modules, int slots, const std::vector<ScriptEntry>& entries);
    void WritePorts(int sequencer, int engine, int stateMachine);
    // Everything a station needs to start, with no process at all.
    void WriteMinimalStation();

    // Copies the test child program into Proj/bin under a name unique to this test process
    // (the launcher kills station executables by name); returns that name.
    std::string AddChildProgram(const std::string& suffix);
    // The demo station program likewise.
    std::string AddDemoProgram(const std::string& suffix);

    // Starts D/VXLauncher with its console captured, after removing the log of an earlier run.
    void Launch();
    pid_t Pid() const { return _pid; }
    void Signal(int signalNumber);

    // Waits until the console output contains `text` (or the launcher has ended).
    bool WaitForOutput(const std::string& text, int timeoutMs = 10000);
    // Waits until `count` occurrences of `text` are on the console.
    bool WaitForCount(const std::string& text, int count, int timeoutMs = 10000);
    std::string Output();
    // The run's log: log/Launcher.log, and what closing the log at exit rolled over from it.
    std::string LogText() const;

    ExitResult WaitForExit(int timeoutMs = 10000);

  private:
    void ReadConsole(int fd);

    std::string _dir;
    pid_t _pid = -1;
    bool _reaped = false;
    std::thread _reader;
    std::mutex _mutex;
    std::condition_variable _changed;
    std::string _output;
    bool _outputClosed = false;
};

// A test child program started by the test itself (not by the launcher), e.g. a leftover
// holding a port. Killed and collected when it goes.
class OwnChild {
  public:
    OwnChild(const std::string& program, const std::vector<std::string>& args);
    ~OwnChild();
    pid_t Pid() const { return _pid; }
    // Collects the child if it has ended; true with the kill signal when it was killed.
    bool WaitKilled(int& signalNumber, int timeoutMs = 5000);
    bool IsAlive();

  private:
    pid_t _pid = -1;
    bool _reaped = false;
};

}  // namespace station_test
