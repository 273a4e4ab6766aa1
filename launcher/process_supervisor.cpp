#include "launcher/process_supervisor.h"

#include <chrono>

#include "platform/log.h"

bool ProcessSupervisor::Start(const std::string& name, const std::string& workDir,
                              const std::string& cmd, OutputCallback callback,
                              const std::string& logPath) {
    // Held across the start: CloseAll either runs before (and nothing starts) or waits for
    // the start to finish and then closes this runner with the others.
    std::lock_guard<std::mutex> lock(_mutex);
    if (_quitting) return false;
    _processes.push_back(Child());
    Child& child = _processes.back();
    if (!logPath.empty()) child.log.reset(new ProcessLog(logPath));
    child.runner.reset(new ExcuteProcess());
    ExcuteProcess& runner = *child.runner;
    runner.SetName(name);
    runner.SetWorkPath(workDir);
    runner.SetOutputCallback(callback, child.log.get());
    LOG_PRINT("CreateProcess %s workDir = %s cmd = %s.", name.c_str(), workDir.c_str(),
              cmd.c_str());
    return runner.CreateProcess(cmd);
}

bool ProcessSupervisor::WaitUnlessQuitting(int64_t milliseconds) {
    std::unique_lock<std::mutex> lock(_mutex);
    // A condition wait rather than a sleep, so that a quit ends the wait at once.
    if (milliseconds > 0) {
        _quitSignal.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return _quitting; });
    }
    return !_quitting;
}

bool ProcessSupervisor::MarkRunning() {
    std::lock_guard<std::mutex> lock(_mutex);
    if (_quitting) return false;
    _running = true;
    return true;
}

void ProcessSupervisor::CloseAll() {
    std::lock_guard<std::mutex> lock(_mutex);
    // Set before closing, so that nothing starts or waits after this.
    _quitting = true;
    for (Child& child : _processes) child.runner->CloseProcess();
    _processes.clear();
    _running = false;
    _quitSignal.notify_all();
}

bool ProcessSupervisor::IsQuitting() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _quitting;
}
