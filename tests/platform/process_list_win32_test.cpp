// Processes on Win32: CreateProcessW, process handles, the toolhelp snapshot for the parent.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <map>

#include "platform/text_utils.h"
#include "tests/platform/process_list_test.h"

namespace {

// The handles of the processes started, so that their ids stay theirs until collected.
std::map<unsigned int, HANDLE> g_started;

}  // namespace

unsigned int StartSleeping(const std::string& path) {
    std::wstring command = L"\"" + AnsiToWide(path) + L"\" sleep 30000";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    g_started[process.dwProcessId] = process.hProcess;
    return process.dwProcessId;
}

bool EndedByKill(unsigned int pid) {
    const HANDLE process = g_started[pid];
    g_started.erase(pid);
    // A forced end comes at once; the sleep would take 30 s.
    const bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

unsigned int SelfId() {
    return static_cast<unsigned int>(GetCurrentProcessId());
}

unsigned int ParentId() {
    unsigned int parent = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}
