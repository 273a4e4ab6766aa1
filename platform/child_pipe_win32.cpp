// The child runner's primitives on Win32: CreateProcessW with the output on a pipe, the child
// and everything it starts in a job object, and one reader that waits for output, the
// child's end and a wake-up at once.
//
// Why an overlapped named pipe rather than CreatePipe: an anonymous pipe can only be read
// synchronously, so a reader blocked in ReadFile could learn of the child's end only while
// the pipe is closed too (a grandchild may keep it open for ever) or from a second thread
// waiting on the process, and it could be woken only by CancelSynchronousIo, which misses a
// reader that is just about to enter ReadFile and has to be repeated until it hits. With the
// read end overlapped, one WaitForMultipleObjects covers the wake event, the read and the
// process handle; the wake event stays set, so no wake-up can be missed, and no thread is
// needed beyond the reader. The child's end of the pipe is an ordinary synchronous handle.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/child_pipe.h"
#include "platform/text_utils.h"
#include "platform/win32_handles.h"

namespace {

// The largest read handed to the system at once; a caller's smaller capacity is asked for
// as it is, so that a chunk is what the child wrote whenever it fits.
const DWORD kReadBufferSize = 4096;
// What the pipe buffers before the child's writes block: more than the 4 KiB of CreatePipe,
// so that a child is not held up while the reader hands a chunk on.
const DWORD kPipeBufferSize = 64 * 1024;
// The exit code KillTree gives the child and everything it started, the one Windows' own
// forced ends (taskkill /f) give.
const UINT kKilledExitCode = 1;

// A pipe name no other pipe has: the launcher's process id and a counter. The server end is
// created with FILE_FLAG_FIRST_PIPE_INSTANCE, so a name that is taken fails rather than
// joining someone else's pipe; the next number is tried then.
std::wstring NextPipeName() {
    static std::atomic<unsigned long> counter{0};
    return L"\\\\.\\pipe\\VXLauncher." + std::to_wstring(GetCurrentProcessId()) + L"." +
           std::to_wstring(counter.fetch_add(1));
}

// The launcher's end (read, overlapped, not inheritable) and the child's end (write,
// synchronous, inheritable: the handle list decides who inherits it).
bool CreateOutputPipe(Win32Handle& readEnd, Win32Handle& writeEnd) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring name = NextPipeName();
        readEnd.Reset(CreateNamedPipeW(
            name.c_str(),
            PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
            kPipeBufferSize, 0, nullptr));
        if (!readEnd) {
            if (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_PIPE_BUSY)
                continue;  // the name is taken
            return false;
        }
        SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        // The access CreatePipe gives its write end: some programs query their output handle.
        writeEnd.Reset(CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                   &inheritable, OPEN_EXISTING, 0, nullptr));
        if (!writeEnd) {
            readEnd.Reset();
            return false;
        }
        return true;
    }
    return false;
}

// The null device as the child's standard input, inheritable like the pipe's write end.
Win32Handle OpenNullInput() {
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return Win32Handle(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr));
}

// A job that ends every process in it when its last handle closes, so that no child outlives
// the launcher however the launcher ends.
Win32Handle CreateKillOnCloseJob() {
    Win32Handle job(CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    memset(&limits, 0, sizeof(limits));
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits)))
        job.Reset();
    return job;
}

// The attribute list that restricts inheritance to `handles`: bInheritHandles alone would
// hand the child every inheritable handle of the launcher, among them the pipe ends of
// children that other threads are starting at the same moment.
class InheritOnly {
  public:
    explicit InheritOnly(std::vector<HANDLE> handles) : _handles(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        _storage.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(_storage.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        _initialized = true;
        if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, _handles.data(),
                                      _handles.size() * sizeof(HANDLE), nullptr, nullptr))
            _list = list;
    }
    ~InheritOnly() {
        if (_initialized)
            DeleteProcThreadAttributeList(
                reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(_storage.data()));
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;

    // Null when the list could not be made.
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return _list; }

  private:
    std::vector<HANDLE> _handles;  // the list points into this; it must live as long
    std::vector<unsigned char> _storage;
    bool _initialized = false;
    LPPROC_THREAD_ATTRIBUTE_LIST _list = nullptr;
};

}  // namespace

struct ChildPipe::Handles {
    DWORD pid = 0;
    Win32Handle process;
    Win32Handle job;
    Win32Handle readEnd;
    Win32Handle readDone;  // manual-reset: set when the pending read completes
    Win32Handle wake;      // manual-reset, and never reset: every later wait sees it
    bool pipeOpen = true;
    bool endReported = false;
    ChildExit exit;

    // The overlapped read writes into this buffer, never the caller's: a read still pending
    // when Read returns (woken, or nothing yet) must have memory that stays valid.
    OVERLAPPED overlapped;
    bool readPending = false;
    char buffer[kReadBufferSize];
    size_t bufferedFrom = 0;
    size_t bufferedTo = 0;

    // Moves buffered bytes to the caller; true when there were any.
    bool TakeBuffered(char* target, size_t capacity, size_t& count) {
        if (bufferedFrom == bufferedTo) return false;
        count = std::min(capacity, bufferedTo - bufferedFrom);
        memcpy(target, buffer + bufferedFrom, count);
        bufferedFrom += count;
        return true;
    }

    // Takes the pending read's result without waiting. False with `error` set when the pipe
    // failed; end of data clears pipeOpen.
    bool Complete(DWORD& error) {
        DWORD got = 0;
        if (GetOverlappedResult(readEnd.Get(), &overlapped, &got, FALSE)) {
            readPending = false;
            bufferedFrom = 0;
            bufferedTo = got;
            return true;
        }
        error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE) return true;
        readPending = false;
        // Every write end has closed: the child and everything that inherited it are gone.
        if (error == ERROR_BROKEN_PIPE) {
            pipeOpen = false;
            return true;
        }
        return false;
    }

    // Starts a read of at most `capacity` bytes into the buffer; it may complete at once.
    bool StartRead(size_t capacity, DWORD& error) {
        memset(&overlapped, 0, sizeof(overlapped));
        overlapped.hEvent = readDone.Get();
        const DWORD size = static_cast<DWORD>(std::min<size_t>(capacity, kReadBufferSize));
        // The count comes from GetOverlappedResult: for an overlapped handle the one ReadFile
        // gives back may be wrong.
        if (ReadFile(readEnd.Get(), buffer, size, nullptr, &overlapped) ||
            GetLastError() == ERROR_IO_PENDING) {
            readPending = true;
            return Complete(error);
        }
        error = GetLastError();
        if (error == ERROR_BROKEN_PIPE) {
            pipeOpen = false;
            return true;
        }
        return false;
    }

    // Only once the process handle is signalled: the code is final then, even a child's own
    // exit with 259, which would otherwise read as STILL_ACTIVE.
    void ReadExit() {
        DWORD code = 0;
        if (GetExitCodeProcess(process.Get(), &code)) {
            exit.known = true;
            exit.bySignal = false;
            exit.code = static_cast<int>(code);
        }
    }
};

ChildPipe::ChildPipe() : _handles(new Handles) {}

ChildPipe::~ChildPipe() {
    Handles& handles = *_handles;
    // The system must be done with the buffer and the OVERLAPPED before they go.
    if (handles.readPending) {
        CancelIoEx(handles.readEnd.Get(), &handles.overlapped);
        DWORD got = 0;
        GetOverlappedResult(handles.readEnd.Get(), &handles.overlapped, &got, TRUE);
    }
}

int ChildPipe::Pid() const {
    return static_cast<int>(_handles->pid);
}

ChildExit ChildPipe::Exit() const {
    return _handles->exit;
}

ChildPipe::StartResult ChildPipe::Start(const std::string& commandLine, const std::string& workPath,
                                        std::unique_ptr<ChildPipe>& child) {
    std::unique_ptr<ChildPipe> made(new ChildPipe());
    Handles& handles = *made->_handles;

    Win32Handle writeEnd;
    if (!CreateOutputPipe(handles.readEnd, writeEnd)) return StartResult::kNoPipe;
    Win32Handle nullInput = OpenNullInput();
    handles.readDone.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    handles.wake.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!nullInput || !handles.readDone || !handles.wake) return StartResult::kNoPipe;
    // Created before the child, so that a child is never started that could not be held.
    handles.job = CreateKillOnCloseJob();
    if (!handles.job) return StartResult::kNotStarted;

    InheritOnly inherit({writeEnd.Get(), nullInput.Get()});
    if (inherit.List() == nullptr) return StartResult::kNotStarted;

    STARTUPINFOEXW startup;
    memset(&startup, 0, sizeof(startup));
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullInput.Get();
    startup.StartupInfo.hStdOutput = writeEnd.Get();
    startup.StartupInfo.hStdError = writeEnd.Get();
    startup.lpAttributeList = inherit.List();

    // The command line goes as given: Windows splits it itself, the search for an unquoted
    // program path with blanks included. CreateProcessW may write into it, so it is a copy.
    std::wstring command = AnsiToWide(commandLine);
    std::vector<wchar_t> commandBuffer(command.begin(), command.end());
    commandBuffer.push_back(L'\0');
    const std::wstring directory = AnsiToWide(workPath);

    // No flags but the two the start itself needs: the child shares the launcher's console
    // and receives its Ctrl-C like the launcher. Suspended until it is in its job, so that
    // nothing it starts can escape the job.
    PROCESS_INFORMATION started;
    memset(&started, 0, sizeof(started));
    if (!CreateProcessW(nullptr, commandBuffer.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup.StartupInfo,
                        &started))
        return StartResult::kNotStarted;
    handles.process.Reset(started.hProcess);
    Win32Handle thread(started.hThread);
    handles.pid = started.dwProcessId;
    // The child holds its own copies now; without the launcher's, end of data comes when the
    // child and everything it started have gone.
    writeEnd.Reset();
    nullInput.Reset();

    if (!AssignProcessToJobObject(handles.job.Get(), handles.process.Get())) {
        // A child outside its job could not be ended with what it starts: it never runs.
        TerminateProcess(handles.process.Get(), kKilledExitCode);
        WaitForSingleObject(handles.process.Get(), INFINITE);
        return StartResult::kNotStarted;
    }
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateJobObject(handles.job.Get(), kKilledExitCode);
        WaitForSingleObject(handles.process.Get(), INFINITE);
        return StartResult::kNotStarted;
    }
    child = std::move(made);
    return StartResult::kStarted;
}

ChildPipe::ReadResult ChildPipe::Read(char* buffer, size_t capacity, size_t& count, bool wait) {
    Handles& handles = *_handles;
    count = 0;
    for (;;) {
        // While output streams in, the reader goes from chunk to chunk without a wait.
        if (handles.TakeBuffered(buffer, capacity, count)) return ReadResult::kData;
        if (handles.pipeOpen) {
            DWORD error = 0;
            const bool ok =
                handles.readPending ? handles.Complete(error) : handles.StartRead(capacity, error);
            if (!ok) {
                count = error;
                return ReadResult::kFailed;
            }
            // A read that completed (even with zero bytes) is taken in the next round.
            if (!handles.readPending && handles.pipeOpen) continue;
        }
        if (!wait) return handles.pipeOpen ? ReadResult::kNothing : ReadResult::kEndOfData;
        if (!handles.pipeOpen && handles.endReported) return ReadResult::kEndOfData;

        // The wake event first, then output: when several are set the lowest index wins, so
        // what the child wrote before it ended comes before the news of its end.
        HANDLE waits[3];
        DWORD waitCount = 0;
        waits[waitCount++] = handles.wake.Get();
        const DWORD pipeIndex = handles.pipeOpen ? waitCount++ : MAXDWORD;
        if (handles.pipeOpen) waits[pipeIndex] = handles.readDone.Get();
        const DWORD childIndex = handles.endReported ? MAXDWORD : waitCount++;
        if (!handles.endReported) waits[childIndex] = handles.process.Get();

        const DWORD result = WaitForMultipleObjects(waitCount, waits, FALSE, INFINITE);
        if (result >= WAIT_OBJECT_0 + waitCount) {
            count = GetLastError();
            return ReadResult::kFailed;
        }
        const DWORD index = result - WAIT_OBJECT_0;
        if (index == 0) return ReadResult::kWoken;
        if (index == pipeIndex) continue;
        handles.ReadExit();
        handles.endReported = true;
        return ReadResult::kChildEnded;
    }
}

void ChildPipe::Wake() {
    SetEvent(_handles->wake.Get());
}

void ChildPipe::KillTree() {
    // The job holds whatever the child started, even after the child itself has gone, and a
    // job handle can never name another process tree.
    TerminateJobObject(_handles->job.Get(), kKilledExitCode);
}

ChildExit ChildPipe::Reap() {
    Handles& handles = *_handles;
    WaitForSingleObject(handles.process.Get(), INFINITE);
    handles.ReadExit();
    return handles.exit;
}
