// The child runner on Win32: processes are asked through their handles, the thread and
// handle counts come from the system, and cmd.exe is the shell found on the search path.
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <filesystem>

#include "tests/platform/child_process_test.h"
#include "tests/support/test_support.h"

namespace {

// A process object lives while anyone holds a handle to it: the runner holds its child's
// until CloseProcess, which keeps the id reserved, as an unreaped child's is on POSIX.
HANDLE OpenToWait(int pid) {
    return OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
}

}  // namespace

Usage CurrentUsage() {
    Usage usage;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        usage.threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    usage.handles = static_cast<int>(handles);
    return usage;
}

bool HasEnded(int pid) {
    const HANDLE process = OpenToWait(pid);
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool IsGone(int pid) {
    const HANDLE process = OpenToWait(pid);
    if (process != nullptr) CloseHandle(process);
    return process == nullptr;
}

bool IsCollected(int pid) {
    return HasEnded(pid);
}

void ExpectOnlyThePipeInherited() {
    // When nothing but this process holds the write end, closing it breaks the pipe.
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    Chunks said;
    ExcuteProcess runner;
    Start(runner, said, kChild + " ignore-term");
    ASSERT_TRUE(test_support::Eventually([&] { return Joined(said) == "ready\n"; }));
    CloseHandle(writeEnd);
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr))
        << "the child inherited a handle that was not its pipe";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    runner.CloseProcess();
    CloseHandle(readEnd);
}

TEST(ChildProcess, ChildGetsItsDirectoryAndStandardErrorInOrderThroughCmdOnThePath) {
    wchar_t before[MAX_PATH], after[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, before), 0u);
    std::string temp = std::filesystem::temp_directory_path().string();
    while (temp.size() > 3 && (temp.back() == '\\' || temp.back() == '/')) temp.pop_back();
    RunUntil("cmd /c \"echo out& echo err>&2& cd\"", "out\r\nerr\r\n" + temp + "\r\n");
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, after), 0u);
    EXPECT_EQ(std::wstring(after), std::wstring(before));  // the launcher's own stays
}
