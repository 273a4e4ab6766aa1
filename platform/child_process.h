#pragma once
// One child process of the station with its standard output and standard error captured
// through one pipe, read on a thread of its own and handed on chunk by chunk.

#include <memory>
#include <string>

class ExcuteProcess;

// Receives each chunk of a child's output (at most 1023 bytes, cut at a zero byte) on the
// runner's reader thread. `context` is the pointer given to SetOutputCallback.
typedef void (*OutputCallback)(ExcuteProcess* runner, const std::string& chunk, void* context);

class ExcuteProcess {
  public:
    ExcuteProcess();
    // Closes the runner if CloseProcess was not called.
    ~ExcuteProcess();
    ExcuteProcess(const ExcuteProcess&) = delete;
    ExcuteProcess& operator=(const ExcuteProcess&) = delete;

    void SetName(const std::string& name);
    const std::string& GetName() const;
    // Working directory of the child (the launcher's own directory is not changed).
    void SetWorkPath(const std::string& workPath);
    void SetOutputCallback(OutputCallback callback, void* context);

    // Starts the child without a shell. `commandLine` is split into arguments by the Windows
    // C runtime's rules; a program that names no directory is looked up on PATH. Standard
    // input is /dev/null. On success prints "CreateProcess success. ..." and the reader thread
    // runs. On failure (program missing or not executable, working directory missing, no
    // pipe) prints the matching message, leaves nothing open and returns false. Call once.
    bool CreateProcess(const std::string& commandLine);

    // Stops the reader (never inside the output callback; the callback has returned when this
    // returns), kills the child and everything in its process group, reaps it, closes every
    // descriptor and prints "CloseProcess success.\n". Safe on a runner that never started
    // and a second time (the second call only prints). Never call it from the output callback
    // of the same runner: it waits for that callback to return.
    void CloseProcess();

    // Process id of the started child, or -1.
    int GetPid() const;

    // The reader loop; runs on the reader thread only. Hands on the output until CloseProcess
    // wakes it, or until the pipe reports end of data and the child has been reaped.
    void ReadPipe();

  private:
    // Hands one piece of output to the callback, or prints it when there is none; the piece
    // ends at its first zero byte.
    void DeliverChunk(const char* data, size_t size);

    struct State;  // the backend's descriptors, child and thread
    std::string _name;
    std::string _workPath;
    OutputCallback _callback = nullptr;
    void* _context = nullptr;
    std::unique_ptr<State> _state;
};
