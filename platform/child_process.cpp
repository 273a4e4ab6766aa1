// The runner's policy, the same on every platform: its messages, the chunks it hands on and
// the order of a close. The primitives it stands on are in child_pipe.h.

#include "platform/child_process.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/child_pipe.h"
#include "platform/console_output.h"
#include "platform/log.h"

namespace {

const size_t kChunkSize = 1023;
// What a pipe can hold at most (its largest size), in chunks: the end of a reader's drain,
// in case something outside the child's reach still writes.
const size_t kMaxDrainChunks = 1024;

// "HH:MM:SS" of a duration; hours go beyond 24.
std::string Elapsed(std::chrono::steady_clock::duration duration) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(duration).count();
    char text[32];
    snprintf(text, sizeof(text), "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
             seconds % 60);
    return text;
}

}  // namespace

struct ExcuteProcess::State {
    std::unique_ptr<ChildPipe> child;
    std::chrono::steady_clock::time_point started;
    std::thread reader;
    // Held by CreateProcess until its success line is out, so that the child's first output
    // never comes before it.
    std::mutex startGate;
    std::atomic<bool> running{true};
    bool closed = false;
};

ExcuteProcess::ExcuteProcess() : _state(new State) {}

ExcuteProcess::~ExcuteProcess() {
    if (!_state->closed) CloseProcess();
}

void ExcuteProcess::SetName(const std::string& name) {
    _name = name;
}

void ExcuteProcess::SetWorkPath(const std::string& workPath) {
    _workPath = workPath;
}

void ExcuteProcess::SetOutputCallback(OutputCallback callback, void* context) {
    _callback = callback;
    _context = context;
}

int ExcuteProcess::GetPid() const {
    return _state->child ? _state->child->Pid() : -1;
}

bool ExcuteProcess::CreateProcess(const std::string& commandLine) {
    State& state = *_state;
    const char* workPath = _workPath.c_str();
    auto failed = [&] {
        ConsolePrintf("CreateProcess failed. workpath=%s, cmd=%s\n", workPath, commandLine.c_str());
        return false;
    };
    if (state.child || state.closed) return failed();  // one child per runner
    std::unique_ptr<ChildPipe> child;
    switch (ChildPipe::Start(commandLine, _workPath, child)) {
        case ChildPipe::StartResult::kNoPipe:
            ConsolePrintf("CreatePipe failed.\n");
            return false;
        case ChildPipe::StartResult::kNotStarted:
            return failed();
        case ChildPipe::StartResult::kStarted:
            break;
    }
    std::lock_guard<std::mutex> gate(state.startGate);
    try {
        state.reader = std::thread(&ExcuteProcess::ReadPipe, this);
    } catch (const std::system_error&) {
        // Without a reader the child's output would fill its pipe and stall it: a start
        // that cannot get one ends its child and fails like any other.
        child->KillTree();
        child->Reap();
        return failed();
    }
    state.child = std::move(child);
    state.started = std::chrono::steady_clock::now();
    ConsolePrintf("CreateProcess success. workpath=%s, cmd=%s\n", workPath, commandLine.c_str());
    return true;
}

void ExcuteProcess::ReadPipe() {
    State& state = *_state;
    { std::lock_guard<std::mutex> gate(state.startGate); }
    ChildPipe& child = *state.child;
    char buffer[kChunkSize + 1];
    size_t count = 0;
    while (state.running) {
        switch (child.Read(buffer, kChunkSize, count, /*wait=*/true)) {
            case ChildPipe::ReadResult::kData:
                DeliverChunk(buffer, count);
                continue;
            case ChildPipe::ReadResult::kChildEnded:
                // Ended by itself, not by CloseProcess: the operator must learn of it at once.
                if (state.running) ReportExit();
                continue;
            case ChildPipe::ReadResult::kNothing:
                continue;
            case ChildPipe::ReadResult::kEndOfData:
                return;  // the child and everything it started have gone
            case ChildPipe::ReadResult::kFailed:
                ConsolePrintf("UnHandler read pipe error.errno=%d", static_cast<int>(count));
                return;
            case ChildPipe::ReadResult::kWoken:
                break;
        }
        break;
    }
    // CloseProcess has ended the child first: what it wrote before it died is still in the
    // pipe and is handed on.
    for (size_t chunk = 0; chunk < kMaxDrainChunks; ++chunk) {
        if (child.Read(buffer, kChunkSize, count, /*wait=*/false) != ChildPipe::ReadResult::kData)
            return;
        DeliverChunk(buffer, count);
    }
}

void ExcuteProcess::ReportExit() {
    const ChildExit exit = _state->child->Exit();
    const int pid = _state->child->Pid();
    const std::string ran = Elapsed(std::chrono::steady_clock::now() - _state->started);
    const char* name = _name.c_str();
    if (!exit.known) {
        LOG_PRINT_ERROR("Process %s (pid %d) ended after %s; its exit status cannot be read.", name,
                        pid, ran.c_str());
    } else if (exit.bySignal) {
        LOG_PRINT_ERROR("Process %s (pid %d) was killed by signal %d after %s.", name, pid,
                        exit.code, ran.c_str());
    } else if (exit.code != 0) {
        LOG_PRINT_ERROR("Process %s (pid %d) ended with status %d after %s.", name, pid, exit.code,
                        ran.c_str());
    } else {
        LOG_PRINT("Process %s (pid %d) ended with status 0 after %s.", name, pid, ran.c_str());
    }
}

void ExcuteProcess::DeliverChunk(const char* data, size_t size) {
    const void* zero = memchr(data, '\0', size);
    if (zero != nullptr) size = static_cast<size_t>(static_cast<const char*>(zero) - data);
    if (_callback == nullptr) {
        ConsoleWrite(data, size);
        return;
    }
    try {
        _callback(this, std::string(data, size), _context);
    } catch (const std::exception&) {
        // Out of memory for one chunk: the chunk is lost, the reader and the child go on.
    }
}

void ExcuteProcess::CloseProcess() {
    State& state = *_state;
    if (!state.closed) {
        state.closed = true;
        state.running = false;
        if (state.child) {
            // Ended before the reader stops, so that nothing the child wrote is lost.
            state.child->KillTree();
            if (state.reader.joinable()) {
                state.child->Wake();  // the reader ends between two chunks, never inside one
                state.reader.join();
            }
            state.child->Reap();
            state.child.reset();
        }
    }
    ConsolePrintf("CloseProcess success.\n");
}
