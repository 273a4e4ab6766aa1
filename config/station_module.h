#pragma once
// The station script as the module "config": taken from its own directory only, never from
// elsewhere on the module path nor from a bytecode cache, so that the code that runs is the
// code that was installed and checked.

#include <string>

struct _object;
typedef struct _object PyObject;

// Runs `directory`/config.py, or where there is no such file the compiled `directory`/config.pyc,
// as the module "config" in the running interpreter, whatever sys.path, the environment, an
// earlier imported "config" or a __pycache__ hold. Turns off the writing of bytecode first, so
// neither this module nor the modules it imports leave caches behind. On success returns a new
// reference (the caller's) to sys.modules["config"], whose __file__ is the file that ran. On
// failure returns null: with the Python error pending, or, when neither file exists, with the
// reason logged (ERROR).
PyObject* RunStationModule(const std::string& directory);
