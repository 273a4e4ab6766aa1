// First: it includes <Python.h>, whose feature macros the standard headers must see.
#include "config/py_ref.h"

#include "config/station_script.h"

#include "config/station_module.h"
#include "config/station_size.h"

#include "platform/console_output.h"
#include "platform/log.h"
#include "platform/python_runtime.h"

namespace {

// A new reference to an object the interpreter lent, so that the script cannot free it while
// it is in use (a dictionary lookup lends its value; script code may run before it is read).
PyObject* NewReference(PyObject* object) {
    Py_XINCREF(object);
    return object;
}

// A new reference to None, taken from the interpreter rather than from its data symbol.
PyRef NewNone() {
    return PyRef(Py_BuildValue(""));
}

// Type, message and traceback of the pending Python error, as the interpreter prints them.
std::string DescribePythonError(PyObject* type, PyObject* value, PyObject* traceback) {
    PyRef none(NewNone());
    PyRef module(PyImport_ImportModule("traceback"));
    PyRef lines(module && none ? PyObject_CallMethod(module.get(), "format_exception", "OOO", type,
                                                     value ? value : none.get(),
                                                     traceback ? traceback : none.get())
                               : nullptr);
    PyRef separator(PyUnicode_FromString(""));
    PyRef joined(lines && separator ? PyUnicode_Join(separator.get(), lines.get()) : nullptr);
    if (!joined) {
        // The formatter itself failed: fall back on the bare exception text.
        PyErr_Clear();
        joined = PyRef(PyObject_Str(value ? value : type));
    }
    std::string text;
    if (!PythonToNarrow(joined.get(), text)) return "(the error could not be described)";
    return text;
}

// str(object) as narrow text, or "" when there is none.
std::string Text(PyObject* object) {
    PyRef none(NewNone());
    PyRef text(object && object != none.get() ? PyObject_Str(object) : nullptr);
    PyErr_Clear();
    std::string narrow;
    PythonToNarrow(text.get(), narrow);
    return narrow;
}

std::string AttributeText(PyObject* object, const char* name) {
    PyRef attribute(object ? PyObject_GetAttrString(object, name) : nullptr);
    PyErr_Clear();
    return Text(attribute.get());
}

// "Type: message", and where the script raised it: the innermost frame of the traceback. A
// syntax error's message already says where it is.
std::string SummarizePythonError(PyObject* type, PyObject* value, PyObject* traceback) {
    std::string summary = AttributeText(type, "__name__");
    const std::string message = Text(value);
    if (!message.empty()) summary += ": " + message;
    if (!AttributeText(value, "filename").empty() || traceback == nullptr) return summary;
    PyRef none(NewNone());
    PyRef frame(NewReference(traceback));
    for (PyRef next(PyObject_GetAttrString(frame.get(), "tb_next"));
         next && next.get() != none.get();
         next = PyRef(PyObject_GetAttrString(frame.get(), "tb_next")))
        frame = std::move(next);
    PyErr_Clear();
    PyRef where(PyObject_GetAttrString(frame.get(), "tb_frame"));
    PyRef code(where ? PyObject_GetAttrString(where.get(), "f_code") : nullptr);
    PyErr_Clear();
    const std::string file = AttributeText(code.get(), "co_filename");
    if (!file.empty())
        summary += " (" + file + ", line " + AttributeText(frame.get(), "tb_lineno") + ")";
    return summary;
}

// Takes the pending Python error, if any, and writes it to the log. The error is fetched, never
// printed by the interpreter: printing a SystemExit would end the launcher.
void LogPythonError(const char* step) {
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (type == nullptr) return;
    PyErr_NormalizeException(&type, &value, &traceback);
    PyRef ownedType(type), ownedValue(value), ownedTraceback(traceback);
    std::string text = DescribePythonError(type, value, traceback);
    LOG_ERROR("Python error in %s: %s", step, text.c_str());
    // The operator sees the gist where he looks; the traceback stays in the log.
    ConsolePrintf("Python error in %s: %s\n", step,
                  SummarizePythonError(type, value, traceback).c_str());
}

// Appends `directory` to sys.path as a path object, not as Python source, so that any
// character in it (a quote included) is taken literally.
void AppendModulePath(const std::string& directory) {
    PyObject* path = PySys_GetObject("path");  // borrowed
    PyRef entry(NarrowToPython(directory));
    if (path == nullptr || !PyList_Check(path) || !entry || PyList_Append(path, entry.get()) != 0) {
        LOG_PRINT_ERROR("Cannot append %s to sys.path", directory.c_str());
        LogPythonError("sys.path");
    }
}

// Reads an int (a bool counts) within 32 bits; a float, a text or a larger number is refused.
bool ReadInteger(PyObject* dictionary, const char* key, int& field) {
    PyRef value(NewReference(PyDict_GetItemString(dictionary, key)));
    int number = 0;
    if (!value || !PyArg_Parse(value.get(), "i", &number)) {
        PyErr_Clear();
        return false;
    }
    field = number;
    return true;
}

// Copies a str, or a bytes object holding UTF-8, as narrow text; anything else (a str with a
// zero character too) leaves the field as it is.
void ReadText(PyObject* dictionary, const char* key, std::string& field) {
    PyRef value(NewReference(PyDict_GetItemString(dictionary, key)));
    if (!value) return;
    if (PyBytes_Check(value.get())) {
        value = PyRef(PyUnicode_DecodeUTF8(PyBytes_AsString(value.get()), PyBytes_Size(value.get()),
                                           "strict"));
        if (!value) {
            PyErr_Clear();
            return;
        }
    }
    PythonToNarrow(value.get(), field);
}

// Imports the station script and calls get_configA(configName) in the running interpreter; the
// result, or nothing after printing the reason.
PyRef CallGetConfig(const std::string& projectDir, const std::string& configName) {
    if (!Py_IsInitialized()) {
        LOG_PRINT("Py_IsInitialized failed.");
        return PyRef();
    }
    // On the path for the script's own imports of its sibling modules; the script itself is
    // run from the directory, not looked up on the path.
    const std::string scriptDirectory = projectDir + "/VX/TesterConfig";
    AppendModulePath(scriptDirectory);

    PyRef module(RunStationModule(scriptDirectory));
    if (!module) {
        LogPythonError("import config");
        LOG_PRINT("Can't find file: %s", "config");
        return PyRef();
    }
    PyObject* dictionary = PyModule_GetDict(module.get());  // borrowed
    if (dictionary == nullptr) {
        LogPythonError("config");
        LOG_PRINT("Get dict module failed: ");
        return PyRef();
    }
    // Held while it runs: the script may rebind its own module's names.
    PyRef function(NewReference(PyDict_GetItemString(dictionary, "get_configA")));
    if (!function || !PyCallable_Check(function.get())) {
        LOG_PRINT("Can't find function: get_configA");
        return PyRef();
    }

    PyRef arguments(PyTuple_New(1));
    PyRef name(NarrowToPython(configName));
    if (!arguments || !name) {
        LogPythonError("get_configA argument");
        return PyRef();
    }
    PyTuple_SetItem(arguments.get(), 0, name.release());  // takes the reference
    PyRef result(PyObject_CallObject(function.get(), arguments.get()));
    if (!result) LogPythonError("get_configA");
    return result;
}

// Appends one process entry; false, with the reason printed, when it cannot be used.
bool ReadProcessEntry(PyObject* element, std::vector<ScriptProcess>& entries) {
    Py_ssize_t size = PyDict_Size(element);  // -1 with an error for a non-dictionary
    if (size <= 0) {
        PyErr_Clear();
        LOG_PRINT("No process need to run.");
        return false;
    }
    ScriptProcess entry;
    ReadText(element, "name", entry.name);
    ReadText(element, "execute", entry.execute);
    ReadText(element, "path", entry.path);
    ReadText(element, "bin", entry.bin);
    ReadText(element, "args", entry.args);
    if (!ReadInteger(element, "sleep", entry.sleep)) {
        LOG_PRINT("Parse sleep failed.");
        return false;
    }
    entries.push_back(entry);
    return true;
}

// Copies the counts and the process entries of the script's result.
bool ReadConfigDict(PyObject* result, int& modules, int& slots,
                    std::vector<ScriptProcess>& entries) {
    if (!ReadInteger(result, "modules", modules)) {
        LOG_PRINT("Can't get obj vale: %s", "modules");
        return false;
    }
    if (!ReadInteger(result, "slots", slots)) {
        LOG_PRINT("Can't get obj vale: slots");
        return false;
    }
    if (!CheckStationSize(modules, slots)) return false;
    // A missing "processes" reads like a value that is not a list: nothing to start.
    PyRef processes(NewReference(PyDict_GetItemString(result, "processes")));
    Py_ssize_t count = processes ? PyList_Size(processes.get()) : 0;
    if (count < 0) {
        PyErr_Clear();
        count = 0;
    }
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyRef element(NewReference(PyList_GetItem(processes.get(), i)));
        if (!element) {
            // The list shrank under a script's __index__: nothing more to read.
            PyErr_Clear();
            break;
        }
        if (!ReadProcessEntry(element.get(), entries)) return false;
    }
    return true;
}

}  // namespace

bool EvaluateStationScript(const std::string& projectDir, const std::string& configName,
                           int& modules, int& slots, std::vector<ScriptProcess>& entries) {
    std::string reason;
    if (!StartPythonRuntime(reason)) {
        LOG_PRINT_ERROR("%s", reason.c_str());
        return false;
    }
    bool read = false;
    {
        PyRef result = CallGetConfig(projectDir, configName);
        read = result && ReadConfigDict(result.get(), modules, slots, entries);
    }  // every reference is gone before the interpreter
    StopPythonRuntime();
    return read;
}
