#pragma once
// Backend-internal: the primitives of the child runner. Each platform supplies them in
// child_pipe_<platform>.cpp; the runner's policy (its messages, chunking, the order of a
// close) lives once, in child_process.cpp.

#include <cstddef>
#include <memory>
#include <string>

// How a child ended, as far as the system says.
struct ChildExit {
    bool known = false;     // false while the child runs, or when its status cannot be read
    bool bySignal = false;  // ended by a signal rather than by its own exit
    int code = 0;           // the exit status, or the number of the signal
};

class ChildPipe {
  public:
    enum class StartResult { kStarted, kNoPipe, kNotStarted };
    enum class ReadResult {
        kData,        // `count` bytes were read
        kChildEnded,  // the child has ended (reported once); Exit() says how; output may follow
        kEndOfData,   // the child has ended and nothing holds the pipe's writing end any more
        kWoken,       // Wake was called; every later waiting Read returns this at once
        kNothing,     // only without waiting: nothing to read right now
        kFailed,      // the pipe cannot be read; `count` holds the system's error code
    };

    // Starts `commandLine` in `workPath` with its standard output and standard error on one
    // new pipe and its standard input on the null device, in a group of its own so that
    // KillTree also ends whatever it starts. kNoPipe when the pipe cannot be made,
    // kNotStarted when the program or the working directory is missing or cannot be run (a
    // failed start is never reported as an exit code). Only on kStarted is `child` set.
    static StartResult Start(const std::string& commandLine, const std::string& workPath,
                             std::unique_ptr<ChildPipe>& child);

    // Releases every handle. The child must have been reaped (Reap) or never started.
    ~ChildPipe();
    ChildPipe(const ChildPipe&) = delete;
    ChildPipe& operator=(const ChildPipe&) = delete;

    int Pid() const;

    // One reader thread only. With `wait`, blocks until one of the results above; without,
    // returns kData, kEndOfData or kNothing at once.
    ReadResult Read(char* buffer, size_t capacity, size_t& count, bool wait);

    // Any thread: makes the Read in progress, and every later waiting one, return kWoken.
    void Wake();

    // Any thread: ends the child and everything it started, by force, without waiting.
    void KillTree();

    // Waits for the child to end, collects it and returns how it ended. Call after KillTree
    // (or once the child has ended) and after the reader has stopped.
    ChildExit Reap();

    // How the child ended, once Read has said kChildEnded; unknown before.
    ChildExit Exit() const;

  private:
    ChildPipe();
    struct Handles;
    std::unique_ptr<Handles> _handles;
};
