#include <windows.h>
// After windows.h, which defines the snapshot's types.
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/process_list.h"
#include "platform/process_list_backend.h"
#include "platform/text_utils.h"

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// Enough to ask a process its times, image and state, and granted for far more processes
// than PROCESS_QUERY_INFORMATION. Never inherited by the programs the launcher starts.
OwnedHandle OpenToQuery(unsigned int pid) {
    return OwnedHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                   static_cast<DWORD>(pid)));
}

// A process object outlives its process while anyone holds a handle to it.
bool IsRunning(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

bool CreationTime(HANDLE process, FILETIME& created) {
    FILETIME exited, kernel, user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) != 0;
}

// Calls `visit` with each entry of a snapshot of the process list, in the list's order,
// until it returns false. False when no snapshot could be taken.
template <typename Visit>
bool ForEachProcessEntry(Visit visit) {
    OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (!visit(entry)) break;
    }
    return true;
}

}  // namespace

namespace process_list_backend {

std::vector<RunningProcess> RunningProcesses() {
    std::vector<RunningProcess> processes;
    ForEachProcessEntry([&processes](const PROCESSENTRY32W& entry) {
        // Id 0 is the idle process, which runs no program; 0 names no process here.
        if (entry.th32ProcessID == 0) return true;
        // The entry holds the executable's file name; any directory part is cut off before
        // the narrowing, where a byte of a double-byte character could pass for a backslash.
        std::wstring name = entry.szExeFile;
        const size_t separator = name.find_last_of(L"\\/");
        if (separator != std::wstring::npos) name.erase(0, separator + 1);
        processes.push_back({static_cast<unsigned int>(entry.th32ProcessID), WideToAnsi(name)});
        return true;
    });
    return processes;
}

unsigned int CurrentProcessId() {
    return static_cast<unsigned int>(GetCurrentProcessId());
}

// Windows records the id of the creator and keeps it when the creator ends, and ids are
// reused: the recorded id may name a process started later for another reason. A parent must
// have been created no later than its child; the child is held open first, so that its own id
// cannot change hands during the question.
unsigned int ParentProcessId(unsigned int pid) {
    if (pid == 0) return 0;
    OwnedHandle child = OpenToQuery(pid);
    FILETIME childCreated;
    if (!child || !IsRunning(child.get()) || !CreationTime(child.get(), childCreated)) return 0;
    DWORD parent = 0;
    ForEachProcessEntry([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID != pid) return true;
        parent = entry.th32ParentProcessID;
        return false;
    });
    if (parent == 0 || parent == pid) return 0;
    // A parent that may not be examined cannot be told from a stranger with its old id.
    OwnedHandle process = OpenToQuery(parent);
    FILETIME parentCreated;
    if (!process || !IsRunning(process.get()) || !CreationTime(process.get(), parentCreated))
        return 0;
    if (CompareFileTime(&parentCreated, &childCreated) > 0) return 0;
    return static_cast<unsigned int>(parent);
}

bool TerminateNow(unsigned int pid) {
    OwnedHandle process(
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    // A process that has ended is no such process, though its object may linger while
    // anyone holds a handle (and, under Wine, for a moment after the last one closed).
    if (!process || !IsRunning(process.get())) return false;
    // Exit code 0: no report of the launcher reads it (its own children are ended through
    // their job, not here), and it tells a leftover's waiting parent nothing it could act on.
    return TerminateProcess(process.get(), 0) != 0;
}

}  // namespace process_list_backend

std::string GetExecutablePath(unsigned int pid) {
    OwnedHandle process = OpenToQuery(pid);
    if (!process || !IsRunning(process.get())) return std::string();
    // The path as Windows spells it (drive letter, backslashes); grown until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size))
            return WideToAnsi(std::wstring(buffer.data(), size));
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}
