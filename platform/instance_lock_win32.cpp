#include <windows.h>

#include <string>
#include <vector>

#include "platform/instance_lock_backend.h"
#include "platform/text_utils.h"

// The lock is a named file mapping backed by the paging file: no file is made, nothing is
// left behind, nothing needs writing in the installation. Its few bytes hold the holder's
// process id, so that a second launcher can name it. A named object lives while a handle to
// it is open: the holder's handle stays open for the rest of its life and the system closes
// it however the process ends. The handle is not inheritable, so the programs the launcher
// starts never hold it.
//
// The name lives in the session's namespace ("Local\"): creating a file mapping in the
// global one takes a privilege that an operator's launcher does not have. Launchers in two
// sessions (two logons, a remote desktop) therefore do not see each other.

namespace instance_lock_backend {

// Windows paths are case-blind and narrow text is code page 936: the key is the full path's
// wide text (AnsiToWide, never std::filesystem's narrow conversion, which uses the system's
// own code page), with every spelling folded to one: "." and ".." and either separator
// resolved, short 8.3 names made long, no trailing separator, upper case as the system's
// own case-blind comparison has it. In UTF-8, so that the key is bytes like any other.
std::string DirectoryKey(const std::string& installationDir) {
    std::wstring path = AnsiToWide(installationDir);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2 && !path.empty(); ++attempt) {
        const DWORD size = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                            buffer.data(), nullptr);
        if (size == 0) break;
        if (size < buffer.size()) {
            path.assign(buffer.data(), size);
            break;
        }
        buffer.resize(size + 1);
    }
    // Only an existing path has a long name to find; a missing one stays as it is.
    const DWORD longSize = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (longSize > 0) {
        buffer.resize(longSize);
        const DWORD written = GetLongPathNameW(path.c_str(), buffer.data(), longSize);
        if (written > 0 && written < longSize) path.assign(buffer.data(), written);
    }
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    if (!path.empty()) {
        // The invariant upper case: the same whatever the user's language.
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, path.c_str(),
                      static_cast<int>(path.size()), &path[0], static_cast<int>(path.size()),
                      nullptr, nullptr, 0);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string key(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), &key[0], size,
                            nullptr, nullptr);
    return key;
}

namespace {

// Never closed: the lock is held for the rest of the process's life.
HANDLE g_lock = nullptr;

std::wstring ObjectName(const std::string& name) {
    // Letters, digits and '-' only: the same in every code page.
    return L"Local\\" + std::wstring(name.begin(), name.end());
}

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    const std::string number = "error " + std::to_string(code);
    return message.empty() ? number : WideToAnsi(message) + " (" + number + ")";
}

}  // namespace

HoldResult Hold(const std::string& name, std::string& error) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(DWORD), ObjectName(name).c_str());
    const DWORD code = GetLastError();
    if (mapping == nullptr) {
        // The object exists, made by a launcher of another account (an elevated one, say)
        // whose object this one may not open.
        if (code == ERROR_ACCESS_DENIED) return HoldResult::kTaken;
        error = SystemMessage(code);
        return HoldResult::kFailed;
    }
    if (code == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);
        return HoldResult::kTaken;
    }
    // A fresh mapping is zero: until the id is in, a reader sees 0 and asks again.
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD));
    if (view == nullptr) {
        error = SystemMessage(GetLastError());
        CloseHandle(mapping);
        return HoldResult::kFailed;
    }
    InterlockedExchange(static_cast<volatile LONG*>(view),
                        static_cast<LONG>(GetCurrentProcessId()));
    UnmapViewOfFile(view);
    g_lock = mapping;
    return HoldResult::kHeld;
}

int Holder(const std::string& name) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, ObjectName(name).c_str());
    if (mapping == nullptr) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    DWORD pid = 0;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (view != nullptr) {
        pid = *static_cast<const volatile DWORD*>(view);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    if (view == nullptr) return -1;
    if (pid == 0) return 0;  // just taken; the id follows at once
    // The object outlives its holder while another launcher has it open for a moment, as
    // this one did: a holder that has ended holds nothing.
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED ? static_cast<int>(pid) : 0;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running ? static_cast<int>(pid) : 0;
}

}  // namespace instance_lock_backend
