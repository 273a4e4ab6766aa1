// Console events on Win32, delivered as the system delivers a typed Ctrl-C: the program gets
// a console of its own (CREATE_NEW_CONSOLE), this process attaches to it and generates the
// event there. That needs no terminal, so it works under CTest and in CI, Wine included.
// Close and shutdown cannot be caused from a test (no console window to close, no shutdown).
#include <gtest/gtest.h>

#include "tests/platform/console_events_test.h"

namespace {

// This process is on the console while it generates the event, so the event reaches it too.
BOOL WINAPI IgnoreEvent(DWORD) {
    return TRUE;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace

EventRun Deliver(ConsoleEvent event) {
    EventRun run;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    std::wstring command = L"\"" VX_CONSOLE_EVENT_PROGRAM L"\"";
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE,
                                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    EXPECT_TRUE(started) << GetLastError();
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    SetConsoleCtrlHandler(IgnoreEvent, TRUE);  // never (nullptr, TRUE): children inherit that
    char buffer[256];
    DWORD count = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
        run.said.append(buffer, count);
        if (run.said != "ready\n") continue;
        FreeConsole();
        EXPECT_TRUE(AttachConsole(process.dwProcessId)) << GetLastError();
        const BOOL generated = GenerateConsoleCtrlEvent(static_cast<DWORD>(event), 0);
        EXPECT_TRUE(generated) << GetLastError();
        FreeConsole();
        if (!generated) TerminateProcess(process.hProcess, 1);  // it would wait for ever
    }
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.ended = "exit " + std::to_string(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}

TEST(ConsoleEvents, BreakRunsTheCallbackThenEndsTheProgramAsTheSystemWould) {
    if (UnderWine())
        GTEST_SKIP() << "Wine 8 fails GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT) with "
                        "ERROR_INVALID_HANDLE: no Ctrl-Break reaches a program";
    const EventRun run = Deliver(kConsoleBreak);
    EXPECT_EQ(run.said, "ready\nCTRL_BREAK_EVENT \ncallback ran\n");
    EXPECT_EQ(run.ended, "exit " + std::to_string(0xC000013Au));  // STATUS_CONTROL_C_EXIT
}
