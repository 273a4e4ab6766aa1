#pragma once
// Owns one reference to a Python object. The file that includes this sets the interpreter's
// feature macros (PY_SSIZE_T_CLEAN, Py_LIMITED_API) first: they must precede <Python.h>.

#include <Python.h>

#include <utility>

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
