// Processes and sockets on Win32: CreateProcessW with a console of the child's own, process
// handles kept for the exit code, the process list from a Toolhelp snapshot, console events by
// attaching to the child's console, Winsock.

#include "test_process.h"

#include <tlhelp32.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <Poco/UnicodeConverter.h>

#include <algorithm>
#include <map>

#include "platform/process_list.h"
#include "test_support.h"

namespace test_support {

// KillProcessById ends a leftover with exit code 0.
const char* const kKilledEnd = "exit 0";

namespace {

std::wstring Wide(const std::string& text) {
    std::wstring wide;
    Poco::UnicodeConverter::convert(text, wide);
    return wide;
}

// A Windows path: CreateProcessW and the command line take backslashes.
std::wstring WindowsPath(const std::string& path) {
    std::wstring wide = Wide(path);
    for (wchar_t& c : wide) c = c == L'/' ? L'\\' : c;
    return wide;
}

// One argument as the C runtime's parser reads it back: quoted when it holds a blank or a quote
// (or is empty), backslashes doubled only before a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(2 * backslashes, L'\\') + L"\"";
}

// The handles of the processes Spawn started, by pid (used from the test's thread only): the exit
// code is read from them, and holding them keeps the pid from being reused while a test may
// still name it.
std::map<int, HANDLE> spawned;

void Forget(int pid) {
    auto found = spawned.find(pid);
    if (found == spawned.end()) return;
    CloseHandle(found->second);
    spawned.erase(found);
}

// The Toolhelp entries of every process (id, parent id, file name).
std::vector<PROCESSENTRY32W> ProcessList() {
    std::vector<PROCESSENTRY32W> list;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return list;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        list.push_back(entry);
    CloseHandle(snapshot);
    return list;
}

// When the process was created, in the system's ticks; 0 when it cannot be asked.
ULONGLONG CreationTime(int pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    FILETIME created{}, exited, kernel, user;
    if (process != nullptr) GetProcessTimes(process, &created, &exited, &kernel, &user);
    if (process != nullptr) CloseHandle(process);
    return (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The test process gets the event it sends to a console it attached to: it goes on.
BOOL WINAPI IgnoreEvent(DWORD) {
    return TRUE;
}

}  // namespace

void Kill(int pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return;
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

int ParentPid() {
    for (const PROCESSENTRY32W& entry : ProcessList())
        if (entry.th32ProcessID == GetCurrentProcessId())
            return static_cast<int>(entry.th32ParentProcessID);
    return 0;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::vector<int> ChildrenOf(int parent) {
    // A process keeps the id of a parent that has ended, and ids are reused: a child is only
    // one created after the process that now has that id. Wine runs the console of a process
    // made with a console of its own as that process's child, conhost.exe, which comes and goes
    // on its own: not a child the program started.
    const ULONGLONG parentCreated = CreationTime(parent);
    std::vector<std::pair<ULONGLONG, int>> found;  // by creation
    for (const PROCESSENTRY32W& entry : ProcessList()) {
        const int pid = static_cast<int>(entry.th32ProcessID);
        const ULONGLONG created = CreationTime(pid);
        if (static_cast<int>(entry.th32ParentProcessID) == parent && pid != 0 &&
            created >= parentCreated && _wcsicmp(entry.szExeFile, L"conhost.exe") != 0)
            found.emplace_back(created, pid);
    }
    std::sort(found.begin(), found.end());
    std::vector<int> children;
    for (const auto& [created, pid] : found) children.push_back(pid);
    return children;
}

bool ProcessExists(int pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

std::vector<int> ProcessesRunningFrom(const std::string& dir) {
    std::vector<int> found;
    for (const PROCESSENTRY32W& entry : ProcessList()) {
        const int pid = static_cast<int>(entry.th32ProcessID);
        std::string program = GetExecutablePath(static_cast<unsigned>(pid));
        std::replace(program.begin(), program.end(), '\\', '/');
        if (program.rfind(dir + "/", 0) == 0) found.push_back(pid);
    }
    return found;
}

bool WaitGone(int pid, int timeoutMs) {
    return Eventually([pid] { return !ProcessExists(pid); }, timeoutMs);
}

int Spawn(const std::vector<std::string>& args, const std::string& output,
          const std::function<void()>& inChild) {
    // A console of its own, so that a Ctrl-C sent to it reaches the launcher and the children
    // that share it, and nothing else; the output goes to the file all the same.
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileW(output.empty() ? L"NUL" : WindowsPath(output).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                            OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::wstring commandLine;
    for (const std::string& arg : args)
        commandLine += (commandLine.empty() ? L"" : L" ") + QuoteArgument(WindowsPath(arg));
    const std::wstring program = WindowsPath(args.at(0));
    PROCESS_INFORMATION started{};
    const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &started);
    CloseHandle(out);
    CloseHandle(in);
    if (!created) return -1;
    CloseHandle(started.hThread);
    spawned[static_cast<int>(started.dwProcessId)] = started.hProcess;
    return static_cast<int>(started.dwProcessId);
}

std::string WaitEnd(int pid, int timeoutMs) {
    const auto found = spawned.find(pid);
    if (found == spawned.end()) return "not started here";
    if (WaitForSingleObject(found->second, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return "running";
    DWORD code = 0;
    GetExitCodeProcess(found->second, &code);
    Forget(pid);
    // As a POSIX shell reports a Windows program's end: the low byte (-1 reads 255).
    return "exit " + std::to_string(code & 0xFF);
}

bool SendConsoleEvent(int pid, ConsoleEvent event) {
    // Every process of the child's console gets it, the children that share it included, as
    // if typed there; this process too while attached, hence its own handler (never
    // SetConsoleCtrlHandler(nullptr, TRUE): children would inherit that).
    static const bool handled = SetConsoleCtrlHandler(IgnoreEvent, TRUE);
    (void)handled;
    FreeConsole();
    if (!AttachConsole(static_cast<DWORD>(pid))) return false;
    const bool generated = GenerateConsoleCtrlEvent(static_cast<DWORD>(event), 0);
    FreeConsole();
    return generated;
}

void WatchLeftovers() {}

void EndWhatRunsFrom(const std::string& dir, int launcher) {
    // The launcher's children die with its job; the rest is found by its program file.
    if (launcher > 0) {
        Kill(launcher);
        Forget(launcher);
    }
    for (int pid : ProcessesRunningFrom(dir)) Kill(pid);
    for (auto it = spawned.begin(); it != spawned.end();) {
        if (WaitForSingleObject(it->second, 0) == WAIT_OBJECT_0) {
            CloseHandle(it->second);
            it = spawned.erase(it);
        } else {
            ++it;
        }
    }
}

ListeningSocket::ListeningSocket(bool v6, int wanted) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const int family = v6 ? AF_INET6 : AF_INET;
    const SOCKET s = started ? socket(family, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    _socket = static_cast<intptr_t>(s);
    union {
        sockaddr base;
        sockaddr_in v4;
        sockaddr_in6 v6;
    } address = {};
    int length = v6 ? sizeof(address.v6) : sizeof(address.v4);
    address.v4.sin_family = static_cast<ADDRESS_FAMILY>(family);
    address.v4.sin_port = htons(static_cast<u_short>(wanted));
    if (v6)
        address.v6.sin6_addr = in6addr_loopback;
    else
        address.v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Exclusive, as a server's port is: without it Windows lets a second socket bind a port
    // that another holds, and a port would look free while taken.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    if (s != INVALID_SOCKET && bind(s, &address.base, length) == 0 && listen(s, 4) == 0 &&
        getsockname(s, &address.base, &length) == 0)
        port = ntohs(address.v4.sin_port);
}

ListeningSocket::~ListeningSocket() {
    closesocket(static_cast<SOCKET>(_socket));
}

}  // namespace test_support
