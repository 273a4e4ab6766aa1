// The helper child's Win32 parts: one WriteFile per output, a Winsock listener, console
// control events and child processes made with CreateProcessW. There are no signals here, so
// there is no "signals" mode.
#include <winsock2.h>

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

void SleepForever() {
    for (;;) Sleep(INFINITE);
}

namespace {

// `text` (in the ANSI code page, as the C runtime hands argv over) as UTF-16.
std::wstring Wide(const char* text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], size);
    return wide;
}

// Appends `argument` quoted so that the C runtime of the child splits it back unchanged:
// backslashes double only before a quote, and quotes are escaped.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// Starts `commandLine` sharing this process's console and standard handles (so that its
// output goes where ours goes, as a forked child's does); the process handle or null.
HANDLE Spawn(std::wstring commandLine) {
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

// This program's own path, quoted for a command line.
std::wstring Self() {
    wchar_t path[MAX_PATH * 2];
    const DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring line;
    AppendQuoted(line, std::wstring(path, size));
    return line;
}

// hold-port PORT [PROGRAM ARGS...]: listens on 127.0.0.1:PORT and says "listening"; then runs
// PROGRAM as its child and ends as it ends, or without one sleeps until killed.
int HoldPort(int argc, char** argv) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    // Not inheritable: the port belongs to this process alone, not to PROGRAM.
    SOCKET listener =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(Arg(argc, argv, 1)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // No SO_REUSEADDR: on Windows it would let two listeners share the port.
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 4) != 0) {
        Say("bind failed\n");
        return 1;
    }
    Say("listening\n");
    if (argc < 4) SleepForever();
    std::wstring commandLine;
    for (int i = 3; i < argc; ++i) AppendQuoted(commandLine, Wide(argv[i]));
    const HANDLE child = Spawn(commandLine);
    if (child == nullptr) return 127;
    DWORD status = 0;
    WaitForSingleObject(child, INFINITE);
    GetExitCodeProcess(child, &status);
    return static_cast<int>(status);
}

// Ignores every console control event (Ctrl-C, Ctrl-Break, close), as ignoring SIGTERM does.
BOOL WINAPI IgnoreEvent(DWORD) {
    return TRUE;
}

}  // namespace

const Mode kPlatformModes[] = {
    // ignore-term: ignores console control events, says "ready" and sleeps until killed.
    {"ignore-term",
     [](int, char**) -> int {
         SetConsoleCtrlHandler(IgnoreEvent, TRUE);
         Say("ready\n");
         SleepForever();
     }},
    {"hold-port", HoldPort},
    // grandchild [leave]: starts a sleeping copy of itself, prints "grandchild PID", then
    // sleeps (or ends with 0). The copy shares its standard output, as a forked one does.
    {"grandchild",
     [](int argc, char**) -> int {
         const HANDLE child = Spawn(Self() + L" sleep 2147483647");
         if (child == nullptr) return Say("grandchild failed\n") + 1;
         Say("grandchild " + std::to_string(GetProcessId(child)) + "\n");
         if (argc > 2) return 0;
         SleepForever();
     }},
};
const std::size_t kPlatformModeCount = sizeof(kPlatformModes) / sizeof(kPlatformModes[0]);

}  // namespace vx_test_child
