// Links python3.dll through its delay-load import library: the program starts whether or not
// the DLL can be found, and calls into Python only once LoadLibraryW has found it.
#define Py_LIMITED_API 0x03080000
#include <Python.h>

#include <windows.h>

#include <cstdio>

int main() {
    if (LoadLibraryW(L"python3.dll") == nullptr) {
        std::printf("python3.dll not found (error %lu)\n", GetLastError());
        return 0;
    }
    Py_InitializeEx(0);
    std::printf("python3.dll loaded, initialized: %d\n", Py_IsInitialized());
    return Py_FinalizeEx();
}
