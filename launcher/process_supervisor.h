#pragma once
// The station's started children and the quit state that three kinds of thread share: the
// main thread starts children and waits between entries, the console-event thread closes
// them all, the readers hand their output on.
// Thread-safe: all member data is guarded by _mutex (_running is also readable without it).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/log.h"

class ProcessSupervisor {
  public:
    ProcessSupervisor() = default;
    ProcessSupervisor(const ProcessSupervisor&) = delete;
    ProcessSupervisor& operator=(const ProcessSupervisor&) = delete;

    // Logs "CreateProcess <name> workDir = <workDir> cmd = <cmd>." and starts one child whose
    // output goes to `callback`, with the child's own ProcessLog on `logPath` as the context
    // (null when `logPath` is empty). The runner and its log are kept, and closed by
    // CloseAll, also when the start fails. False when the start failed, or when CloseAll has
    // begun (then nothing is logged or started). A CloseAll meanwhile waits for the start.
    bool Start(const std::string& name, const std::string& workDir, const std::string& cmd,
               OutputCallback callback, const std::string& logPath);

    // Waits `milliseconds` (none when not positive) unless CloseAll comes first; false when
    // CloseAll has begun.
    bool WaitUnlessQuitting(int64_t milliseconds);

    // Marks the station running; false, changing nothing, once CloseAll has begun, so that a
    // stop is never undone.
    bool MarkRunning();

    // From its first call on nothing starts any more and every wait ends; closes every runner
    // in start order (its child and what that started are ended) and clears the running mark.
    void CloseAll();

    bool IsQuitting() const;
    // True from construction until CloseAll (and again after MarkRunning before it).
    bool IsRunning() const { return _running.load(); }

  private:
    mutable std::mutex _mutex;
    std::condition_variable _quitSignal;
    bool _quitting = false;
    std::atomic<bool> _running{true};
    struct Child {
        std::unique_ptr<ProcessLog> log;  // outlives the runner's reader, which writes it
        std::unique_ptr<ExcuteProcess> runner;
    };
    std::vector<Child> _processes;
};
