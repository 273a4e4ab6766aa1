// The helper child's Win32 parts: one WriteFile per output, console control events and child
// processes made with CreateProcessW. There are no signals here, so there is no "signals" mode.
#include "vx_test_child.h"

namespace vx_test_child {

int Say(const std::string& text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    for (size_t done = 0; done < text.size();) {
        DWORD written = 0;
        if (!WriteFile(out, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                       nullptr) ||
            written == 0)
            return 1;
        done += written;
    }
    return 0;
}

namespace {

// `text` (in the ANSI code page, as the C runtime hands argv over) as UTF-16.
std::wstring Wide(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
    return wide;
}

// Starts `program` (a Windows path holds no quote) with `arguments`, sharing this process's
// console and standard handles (so that its output goes where ours goes, as a forked child's
// does); the process handle or null.
HANDLE Spawn(const std::wstring& program, const std::wstring& arguments = L"") {
    std::wstring commandLine = L"\"" + program + L"\"" + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Ignores every console control event (Ctrl-C, Ctrl-Break, close), as ignoring SIGTERM does.
BOOL WINAPI IgnoreEvent(DWORD) {
    return TRUE;
}

}  // namespace

int RunProgram(char** argv) {
    std::wstring arguments;
    for (char** argument = argv + 1; *argument != nullptr; ++argument)
        arguments += L" \"" + Wide(*argument) + L"\"";
    const HANDLE child = Spawn(Wide(argv[0]), arguments);
    if (child == nullptr) return 127;
    DWORD status = 0;
    WaitForSingleObject(child, INFINITE);
    GetExitCodeProcess(child, &status);
    CloseHandle(child);
    return static_cast<int>(status);
}

const Mode kPlatformModes[] = {
    // ignore-term: ignores console control events, says "ready" and sleeps until killed.
    {"ignore-term",
     [](int, char**) -> int {
         SetConsoleCtrlHandler(IgnoreEvent, TRUE);
         Say("ready\n");
         SleepForever();
     }},
    // grandchild [leave]: starts a sleeping copy of itself, prints "grandchild PID", then
    // sleeps (or ends with 0). The copy shares its standard output, as a forked one does.
    {"grandchild",
     [](int argc, char**) -> int {
         wchar_t self[MAX_PATH * 2];
         const HANDLE child =
             Spawn(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH * 2)),
                   L" sleep 2147483647");
         if (child == nullptr) return Say("grandchild failed\n") + 1;
         Say("grandchild " + std::to_string(GetProcessId(child)) + "\n");
         if (argc > 2) return 0;
         SleepForever();
     }},
};
const std::size_t kPlatformModeCount = sizeof(kPlatformModes) / sizeof(kPlatformModes[0]);

}  // namespace vx_test_child
