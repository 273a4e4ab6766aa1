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
    // Working directory of the child (the launcher's own directory is not changed).
    void SetWorkPath(const std::string& workPath);
    void SetOutputCallback(OutputCallback callback, void* context);

    // Starts the child without a shell. `commandLine` is read as Windows process creation
    // reads it: the program's path may hold blanks unquoted (the shortest prefix that names a
    // program wins), the rest is split by the Windows C runtime's rules; a program that names
    // no directory is looked up on the search path. Standard input is empty. On success prints
    // "CreateProcess success. ..." and the reader thread runs. On failure (program missing or
    // not runnable, working directory missing, no pipe, no reader thread) prints the matching
    // message, leaves no child running and nothing open, and returns false. Call once.
    bool CreateProcess(const std::string& commandLine);

    // Ends the child and everything it started, then stops the reader once it has handed on
    // what the child wrote before (never inside the output callback: the callback has
    // returned when this returns), collects the child, closes everything and prints
    // "CloseProcess success.\n". Safe on a runner that never started and a second time (the
    // second call only prints). Never call it from the output callback of the same runner.
    void CloseProcess();

    // Process id of the started child, or -1.
    // When the child ends by itself while the runner is open, one record says so at once (see
    // ReportExit); a child ended by CloseProcess is not reported.
    int GetPid() const;

  private:
    // The reader loop, on the reader thread: hands on the output until CloseProcess wakes it,
    // or until the child has ended and nothing holds the pipe any more.
    void ReadPipe();

    // Writes the record of a child that ended by itself: name, pid, how it ended, how long it
    // ran; ERROR unless it ended with status 0, and on the console too.
    void ReportExit();

    // Hands one piece of output to the callback, or queues it for the console when there is
    // none; the piece ends at its first zero byte.
    void DeliverChunk(const char* data, size_t size);

    struct State;  // the child, its pipe and the reader thread
    std::string _name;
    std::string _workPath;
    OutputCallback _callback = nullptr;
    void* _context = nullptr;
    std::unique_ptr<State> _state;
};
