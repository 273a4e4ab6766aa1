#pragma once
// Owns one reference to a Python object. Also config/'s one way to <Python.h>: include it
// first, before any standard header, since the interpreter's feature macros must precede them.
//
// Only the stable ABI (Py_LIMITED_API), so that a Windows build against the version-independent
// python3.dll needs nothing more, and no data symbol of the interpreter (Py_None, Py_True,
// PyExc_*, the type objects): Windows reaches the DLL through a delay-load import library, where
// a data symbol links but names the wrong address. None comes from Py_BuildValue(""), booleans
// from PyBool_FromLong, types are tested by their flags.

#ifndef PY_SSIZE_T_CLEAN
#define PY_SSIZE_T_CLEAN
#endif
#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x03080000
#endif
#include <Python.h>

#include <string>
#include <utility>

#include "platform/text_utils.h"

class PyRef {
  public:
    // Takes over `object` (a new reference, or null).
    explicit PyRef(PyObject* object = nullptr) : _object(object) {}
    ~PyRef() { Py_XDECREF(_object); }
    PyRef(PyRef&& other) noexcept : _object(other._object) { other._object = nullptr; }
    PyRef& operator=(PyRef&& other) noexcept {
        std::swap(_object, other._object);
        return *this;
    }
    PyRef(const PyRef&) = delete;
    PyRef& operator=(const PyRef&) = delete;

    PyObject* get() const { return _object; }
    explicit operator bool() const { return _object != nullptr; }
    // Hands the reference to the caller.
    PyObject* release() { return std::exchange(_object, nullptr); }

  private:
    PyObject* _object;
};

// Narrow text (a path, a name) as a str, through wide text: Python would read the bytes as
// UTF-8, which the narrow text of Windows (code page 936) is not. Null with an error set.
inline PyRef NarrowToPython(const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    return PyRef(PyUnicode_FromWideChar(wide.data(), static_cast<Py_ssize_t>(wide.size())));
}

// A str as narrow text, through wide text likewise; characters the narrow code page lacks
// become its replacement character. False, with the error cleared, for anything but a str
// and for a str holding a zero character (no narrow text can carry it).
inline bool PythonToNarrow(PyObject* object, std::string& text) {
    wchar_t* wide = object != nullptr ? PyUnicode_AsWideCharString(object, nullptr) : nullptr;
    if (wide == nullptr) {
        PyErr_Clear();
        return false;
    }
    text = WideToAnsi(wide);
    PyMem_Free(wide);
    return true;
}
