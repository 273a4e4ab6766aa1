// Processes on Win32: CreateProcessW, process handles, the toolhelp snapshot for the parent.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <map>

#include "platform/process_list.h"
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

// Under Wine a test started from a Unix shell has no Windows parent: the test starts itself
// again, and that copy, whose parent is this program under the same name, checks that its
// ancestry is spared.
TEST(ProcessList, AProgramStartedByThisOneSparesItsAncestorsEvenOfItsOwnName) {
    const std::string self = GetExecutablePath(SelfId());
    const std::string name = GetFileName(self.c_str());
    if (GetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", nullptr, 0) != 0) {
        const unsigned int parent = ParentId();
        ASSERT_NE(parent, 0u);
        EXPECT_TRUE(IsSelfOrAncestor(parent));
        EXPECT_FALSE(KillProcessById(parent));
        // Other copies may run beside it (CTest runs cases in parallel): only these two count.
        for (unsigned int pid : FindProcessesByName(name)) {
            EXPECT_NE(pid, parent);
            EXPECT_NE(pid, SelfId());
        }
        return;
    }
    SetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", L"1");
    std::wstring command =
        L"\"" + AnsiToWide(self) + L"\" --gtest_filter=ProcessList.AProgramStartedByThisOne*";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u) << "the copy's checks failed (its output is above)";
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}
