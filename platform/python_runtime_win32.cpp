// python3.dll: the stable ABI of any CPython 3 from 3.8 that the station has installed, rather
// than one pinned version. The launcher links it through a delay-load import library, so each
// Python function is resolved at its first call and the launcher starts where no Python is
// installed. The DLL is loaded here first: a missing DLL then gives a reason instead of the
// delay-load helper's exception, which would end the launcher.
//
// Only the stable ABI and no data symbol: a data symbol through a delay-load import library
// links, but names an address in the launcher's own thunks.
#define PY_SSIZE_T_CLEAN
#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x03080000
#endif
#include <Python.h>

#include <windows.h>

#include "platform/file_system.h"
#include "platform/python_runtime.h"

namespace {

// Loaded once and never freed: the delay-load import table keeps addresses inside it.
HMODULE g_python = nullptr;

std::string LoadFailure(DWORD error) {
    const char* bits = sizeof(void*) == 8 ? "64-bit" : "32-bit";
    std::string what;
    switch (error) {
        case ERROR_MOD_NOT_FOUND:
            what = "not found, or a DLL it needs (the python3X.dll beside it) is missing";
            break;
        case ERROR_BAD_EXE_FORMAT:
            what = std::string("found, but it is not a ") + bits + " DLL";
            break;
        default:
            what = "Windows error " + std::to_string(error);
            break;
    }
    return "Cannot load python3.dll: " + what + ". Looked for in the launcher's directory (" +
           GetExeDir() +
           "), the system directories, the current directory and PATH. The station script "
           "needs a " +
           bits + " CPython 3.8 or later installed there.";
}

}  // namespace

bool StartPythonRuntime(std::string& reason) {
    if (g_python == nullptr) {
        // No error box for a missing or broken DLL: the launcher runs unattended.
        DWORD previousMode = 0;
        const BOOL modeSet =
            SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
        // The standard search order: the launcher's directory, the system directories, then PATH.
        g_python = LoadLibraryW(L"python3.dll");
        const DWORD error = GetLastError();
        if (modeSet) SetThreadErrorMode(previousMode, nullptr);
        if (g_python == nullptr) {
            reason = LoadFailure(error);
            return false;
        }
    }
    // Windows has no locale coercion to prevent: a plain start, without signal handlers.
    Py_InitializeEx(0);
    return true;
}

void StopPythonRuntime() {
    Py_Finalize();
}
