// Compiles against CPython's Windows headers for the stable ABI and links python3.dll's
// import library: a function import and a data import (Py_None).
#define Py_LIMITED_API 0x03080000
#include <Python.h>

static_assert(sizeof(Py_ssize_t) == sizeof(void*), "pyconfig.h must match the target");

int main() {
    if (!Py_IsInitialized()) {
        Py_InitializeEx(0);
    }
    PyObject* none = Py_None;
    Py_IncRef(none);
    Py_DecRef(none);
    return Py_FinalizeEx();
}
