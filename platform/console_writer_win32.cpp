// The console buffer's primitives on Win32: the standard output handle, written with
// WriteFile as it is (bytes, no conversion).

#include <windows.h>

#include <algorithm>

#include "platform/console_writer.h"

namespace {

// Whether `handle` can stand for a standard stream: a missing one is null or
// INVALID_HANDLE_VALUE, and one closed behind the launcher's back has no file type.
bool IsOpen(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    SetLastError(NO_ERROR);
    return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

}  // namespace

void PrepareConsoleWriterThread() {
    // Nothing to do: Windows has no SIGPIPE. A write to a pipe whose reader has gone fails
    // with an error instead of ending the program.
}

bool WriteToConsole(const char* data, size_t size) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
    while (size > 0) {
        // WriteFile takes a 32-bit count; a console is also better served in pieces.
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
        DWORD written = 0;
        // No progress counts as failure too (a pipe in no-wait mode that is full): the writer
        // must never spin.
        if (!WriteFile(output, data, piece, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

void OpenNullOnClosedStandardStreams() {
    // The C runtime marks its descriptors 0 to 2 as taken at start-up whatever the handles
    // are, so no file it opens later takes their place; the handles themselves are what
    // GetStdHandle, and so the console writer, find.
    const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (DWORD stream : streams) {
        if (IsOpen(GetStdHandle(stream))) continue;
        const DWORD access = stream == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE;
        HANDLE null = CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (null == INVALID_HANDLE_VALUE) continue;
        if (!SetStdHandle(stream, null)) CloseHandle(null);
    }
}
