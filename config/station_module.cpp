// First: it includes <Python.h> (stable ABI only, no data symbols), whose feature macros the
// standard headers must see.
#include "config/py_ref.h"

#include "config/station_module.h"

#include "platform/log.h"

namespace {

const char kModuleName[] = "config";

PyRef PathObject(const std::string& path) {
    return NarrowToPython(path);
}

// 1 when `path` is a regular file (the import system's test), 0 when not, -1 with an error.
int IsFile(PyObject* path) {
    PyRef osPath(PyImport_ImportModule("os.path"));
    PyRef answer(osPath ? PyObject_CallMethod(osPath.get(), "isfile", "O", path) : nullptr);
    return answer ? PyObject_IsTrue(answer.get()) : -1;
}

// config.py compiled from the file itself: the source loader reads and compiles it as an import
// would, but its lookup of cached bytecode, which a planted file could answer, is left out.
PyRef CompileSource(PyObject* machinery, PyObject* path) {
    PyRef loader(PyObject_CallMethod(machinery, "SourceFileLoader", "sO", kModuleName, path));
    PyRef source(loader ? PyObject_CallMethod(loader.get(), "get_data", "O", path) : nullptr);
    return PyRef(source
                     ? PyObject_CallMethod(loader.get(), "source_to_code", "OO", source.get(), path)
                     : nullptr);
}

// A shipped config.pyc, checked as the import system checks one (magic number, flags, a code
// object inside).
PyRef LoadCompiled(PyObject* machinery, PyObject* path) {
    PyRef loader(PyObject_CallMethod(machinery, "SourcelessFileLoader", "sO", kModuleName, path));
    return PyRef(loader ? PyObject_CallMethod(loader.get(), "get_code", "s", kModuleName)
                        : nullptr);
}

}  // namespace

PyObject* RunStationModule(const std::string& directory) {
    PyRef yes(PyBool_FromLong(1));
    if (!yes || PySys_SetObject("dont_write_bytecode", yes.get()) != 0) return nullptr;
    PyRef machinery(PyImport_ImportModule("importlib.machinery"));
    PyRef sourcePath(PathObject(directory + "/config.py"));
    PyRef compiledPath(PathObject(directory + "/config.pyc"));
    if (!machinery || !sourcePath || !compiledPath) return nullptr;

    const int hasSource = IsFile(sourcePath.get());
    const int hasCompiled = hasSource == 0 ? IsFile(compiledPath.get()) : 0;
    if (hasSource < 0 || hasCompiled < 0) return nullptr;
    if (hasSource == 0 && hasCompiled == 0) {
        LOG_PRINT_ERROR("Neither %s/config.py nor %s/config.pyc is a file", directory.c_str(),
                        directory.c_str());
        return nullptr;
    }
    PyObject* path = hasSource ? sourcePath.get() : compiledPath.get();
    PyRef code(hasSource ? CompileSource(machinery.get(), path)
                         : LoadCompiled(machinery.get(), path));
    if (!code) return nullptr;

    // A "config" that start-up code (a .pth file, sitecustomize) imported already is dropped,
    // so that the script runs in a module of its own rather than in that one.
    PyObject* modules = PyImport_GetModuleDict();  // borrowed
    if (PyDict_GetItemString(modules, kModuleName) != nullptr &&
        PyDict_DelItemString(modules, kModuleName) != 0)
        return nullptr;
    PyRef name(PyUnicode_FromString(kModuleName));
    if (!name) return nullptr;
    // Registers the module in sys.modules before the code runs (as an import does), sets its
    // __file__ and removes it again when the code fails.
    return PyImport_ExecCodeModuleObject(name.get(), code.get(), path, hasSource ? nullptr : path);
}
