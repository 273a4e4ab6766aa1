#include "platform/console_output.h"

#include <condition_variable>
#include <cstdarg>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "platform/console_writer.h"
#include "platform/log.h"
#include "platform/text_utils.h"

namespace {

// Enough for several seconds of a flooding station on a slow terminal; a console that
// falls further behind loses output, the log never does.
const size_t kCapacity = 4 * 1024 * 1024;

struct ConsoleState {
    std::mutex mutex;
    std::condition_variable queued;   // the writer waits for output
    std::condition_variable written;  // ConsoleFlush waits for an empty buffer
    std::deque<std::string> pieces;
    size_t queuedBytes = 0;
    bool writing = false;  // the writer holds pieces taken out of the buffer
    bool writerStarted = false;
    bool usable = true;  // false once the writer cannot run or the console cannot be written
    uint64_t dropped = 0;
    uint64_t unreported = 0;  // dropped bytes not yet written to the log
};

// Never destroyed: the writer may still be blocked in a console write while the process ends.
ConsoleState& State() {
    static ConsoleState* const state = new ConsoleState();
    return *state;
}

void WriterLoop() {
    PrepareConsoleWriterThread();
    ConsoleState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    for (;;) {
        state.queued.wait(lock, [&] { return !state.pieces.empty(); });
        std::deque<std::string> batch;
        batch.swap(state.pieces);
        state.writing = true;
        // The console may block for as long as it likes here: callers only need the lock.
        lock.unlock();
        bool ok = true;
        for (const std::string& piece : batch) {
            if (ok) ok = WriteToConsole(piece.data(), piece.size());
        }
        lock.lock();
        state.writing = false;
        size_t batchBytes = 0;
        for (const std::string& piece : batch) batchBytes += piece.size();
        state.queuedBytes -= batchBytes;
        if (!ok) {
            state.usable = false;
            state.dropped += state.queuedBytes;
            state.unreported += state.queuedBytes;
            state.pieces.clear();
            state.queuedBytes = 0;
        }
        state.written.notify_all();
        if (!state.usable) return;
    }
}

// Starts the writer on first use; false when no thread can be had.
bool EnsureWriter(ConsoleState& state) {
    if (state.writerStarted) return state.usable;
    state.writerStarted = true;
    try {
        std::thread(WriterLoop).detach();
    } catch (const std::system_error&) {
        state.usable = false;
    }
    return state.usable;
}

void ReportDropped(uint64_t bytes) {
    if (bytes == 0) return;
    LOG_ERROR(
        "Console output dropped: %llu bytes. The console did not take them in time; "
        "the log holds every line.",
        static_cast<unsigned long long>(bytes));
}

}  // namespace

void OpenMissingStandardStreams() {
    OpenNullOnClosedStandardStreams();
}

void ConsoleWrite(const char* data, size_t size) {
    if (size == 0) return;
    ConsoleState& state = State();
    uint64_t report = 0;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!EnsureWriter(state) || state.queuedBytes + size > kCapacity) {
            state.dropped += size;
            state.unreported += size;
            return;
        }
        state.pieces.emplace_back(data, size);
        state.queuedBytes += size;
        state.queued.notify_one();
        // Room again after a loss: say how much was lost, once.
        report = state.unreported;
        state.unreported = 0;
    }
    ReportDropped(report);
}

void ConsolePrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatArgs(format, args);
    va_end(args);
    ConsoleWrite(text.data(), text.size());
}

bool ConsoleFlush(int timeoutMs) {
    ConsoleState& state = State();
    uint64_t report = 0;
    bool empty = false;
    {
        std::unique_lock<std::mutex> lock(state.mutex);
        empty = state.written.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return !state.usable || state.queuedBytes == 0; });
        empty = empty && state.queuedBytes == 0;
        report = state.unreported;
        state.unreported = 0;
    }
    ReportDropped(report);
    return empty;
}

uint64_t ConsoleDroppedBytes() {
    ConsoleState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.dropped;
}
