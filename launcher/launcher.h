#pragma once
// The launcher: the one application object that reads the station's files, builds the
// process plan, clears leftovers, starts every station process and, on a console quit,
// terminates them all. Created on first use and never destroyed.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "launcher/path_variables.h"
#include "launcher/process_plan.h"
#include "launcher/process_supervisor.h"

class PortMap;
class ProjectInfo;
class PyConfig;

// Number of Run calls in this process.
extern int g_starttimes;

class Launcher {
  public:
    // The one launcher; safe to call first from any thread.
    static Launcher& Instance();

    // Start-up sequence: manifest present, settings, project file, digests (when the project
    // asks), work path, protected CSV files, station script, port file, plan. True when the
    // plan is built; false after the failing step has logged its reason.
    bool Init();

    // Kills leftovers, then starts the plan entry by entry with their waits, and marks the
    // launcher running. Returns early, starting nothing more, once Uninit has begun.
    void Run();

    // Closes every runner in start order (its child terminated) and clears the running flag.
    // From its first call on, no further child is started. Always true; may be called again.
    bool Uninit();

    bool IsRunning() const { return _supervisor.IsRunning(); }

    // For --check: Init, then the plan, the ports a start would clear and the programs it
    // would end, each with what holds or runs it now. Kills, starts and locks nothing; writes
    // only the decrypted files Init writes. True when a start would get past start-up.
    bool Check();

    // The console quit callback: logs and calls Uninit.
    static bool ConsoleQuitProc();

  private:
    Launcher();
    ~Launcher() = delete;  // lives until the process ends
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // Reads Config/launcher.xml into _projectDir and _projectFile. False, with the reason
    // logged, when it cannot be loaded or lacks Config, ProjectDir or ProjectFile.
    bool ReadLauncherConfig();

    // Writes the plain ".csv" of every protected CSV file of the project from its ".bry".
    // False at the first failure, with the reason logged; earlier targets stay written.
    bool DecryptCsvFiles();

    // Appends the instances of every script entry to _processPlan; false, with the reason
    // logged, when the counts are beyond the station bound.
    bool BuildProcessPlan();

    // Kills the processes that listen on the station's Sequence, Engine and StateMachine
    // ports or run one of the station's executables.
    void CheckProcessState();

    // Output handler of every runner: writes the chunk to the log and the console.
    static void OnProcessOutput(ExcuteProcess* runner, const std::string& chunk, void* context);

    // Path variables, computed from the launcher's state at the moment of the call.
    void ReplaceVariables(std::string& text) const;
    std::string GetAppWorkDir() const;
    std::string GetProjectDir() const;
    std::string GetZmqPortFilePath() const;

    PathVariableSources CurrentPathSources() const;
    bool CheckDigests(const std::string& manifestPath);

    // The station's ports of one kind: `count` ports from `basePort` (-1: not given).
    struct PortFamily {
        const char* name;     // "Sequence"
        const char* portKey;  // "SEQUENCER_PORT"
        int basePort;
        int64_t count;
    };
    std::vector<PortFamily> StationPortFamilies() const;
    // The file names of the station's programs that a start ends wherever they run.
    std::vector<std::string> StationProgramNames() const;
    void KillListeners(const PortFamily& family);
    // For --check: each port and program name with what holds or runs it now.
    void PrintLeftovers() const;
    // Gives each instance of the plan its log file, when per-process logs are on.
    void NameProcessLogs();
    void StartSingle(const ProcessSpec& spec);
    void StartInstances(const std::vector<ProcessSpec>& instances);
    void WaitForInitialisation(const ProcessSpec& spec);
    // Starts one child whose output goes to OnProcessOutput; false when the start failed or
    // Uninit has begun.
    bool StartProcess(const std::string& name, const std::string& workDir, const std::string& cmd);

    std::unique_ptr<PyConfig> _pyConfig;
    std::unique_ptr<PortMap> _zmqPorts;
    std::unique_ptr<ProjectInfo> _projectInfo;
    ProcessPlan _processPlan;
    std::string _projectDir;
    std::string _projectFile;
    // Whether each instance's output also goes to log/<instance>.log ("Config.ProcessLogs").
    bool _processLogs = true;
    // The per-process log of each instance name, made before the starts.
    std::map<std::string, std::string> _processLogPaths;
    // The children and the running flag, shared with the console-event thread.
    ProcessSupervisor _supervisor;
};
