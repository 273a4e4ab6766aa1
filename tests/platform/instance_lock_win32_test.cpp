// The instance lock on Win32: the holder is made by CreateProcessW and ended by
// TerminateProcess; paths are case-blind and narrow text is code page 936.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/text_utils.h"
#include "tests/platform/instance_lock_test.h"

LockHolder::LockHolder(const std::string& dir) {
    std::wstring command = L"\"" VX_INSTANCE_LOCK_HOLDER L"\" ";
    wchar_t digits[3];
    for (unsigned char c : dir) {
        swprintf(digits, 3, L"%02x", c);
        command += digits;
    }
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    EXPECT_TRUE(started) << GetLastError();
    if (started) {
        CloseHandle(process.hThread);
        pid = static_cast<int>(process.dwProcessId);
        _process = reinterpret_cast<intptr_t>(process.hProcess);
        char buffer[256];
        DWORD count = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
            said.append(buffer, count);
            if (said.size() >= 5 &&
                (said.rfind("held\n") == said.size() - 5 ||
                 (said.size() >= 8 && said.rfind("refused\n") == said.size() - 8)))
                break;
        }
    }
    CloseHandle(readEnd);
}

LockHolder::~LockHolder() {
    Kill();
}

void LockHolder::Kill() {
    if (_process == 0) return;
    const HANDLE process = reinterpret_cast<HANDLE>(_process);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    _process = 0;
}

// "站点Δ" and "站点δ" in code page 936: Greek letters have both cases there.
std::string NonAsciiName() {
    return "\xD5\xBE\xB5\xE3\xA6\xA4";
}

std::string NonAsciiNameOtherCase() {
    return "\xD5\xBE\xB5\xE3\xA6\xC4";
}

bool CaseBlindPaths() {
    return true;
}

std::vector<std::string> SystemSpellings(const std::string& dir) {
    std::string backslashed = dir;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    return {backslashed, backslashed + "\\", dir + "/./"};
}

bool MakeDirectory(const std::string& path) {
    return CreateDirectoryW(AnsiToWide(path).c_str(), nullptr) != 0;
}
