// The interpreter the launcher was linked with. Its full API, not only the stable ABI: the
// pre-configuration below has no stable equivalent.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "platform/python_runtime.h"

bool StartPythonRuntime(std::string& reason) {
    // Leave the process's locale and environment alone: by default the interpreter switches
    // LC_CTYPE and may export LC_CTYPE=C.UTF-8, which the station's processes would inherit.
    // UTF-8 mode instead makes every text and path the interpreter exchanges UTF-8, as the
    // launcher's texts are.
    PyPreConfig preConfig;
    PyPreConfig_InitPythonConfig(&preConfig);
    preConfig.configure_locale = 0;
    preConfig.utf8_mode = 1;
    const PyStatus status = Py_PreInitialize(&preConfig);
    if (PyStatus_Exception(status)) {
        reason = std::string("Python could not be pre-initialized: ") +
                 (status.func ? std::string(status.func) + ": " : std::string()) +
                 (status.err_msg ? status.err_msg : "exit");
        return false;
    }
    // Without signal handlers (argument 0).
    Py_InitializeEx(0);
    return true;
}

void StopPythonRuntime() {
    Py_Finalize();
}
