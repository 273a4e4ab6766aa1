#pragma once
// The station script's side of PyConfig: one evaluation of the module "config" in an embedded
// interpreter, started and finalised inside the call. Kept apart from PyConfig because the
// interpreter's headers declare a PyConfig of their own.

#include <string>
#include <vector>

#include "config/script_process.h"

// Appends projectDir + "/VX/TesterConfig" to the module path, imports "config", calls
// get_configA(configName) and copies "modules", "slots" and every "processes" entry in list
// order. True when all were read. On failure prints and logs the reason (a Python error with
// its traceback goes to the log) and returns false; what was copied before the failure stays.
// The interpreter is finalised before returning, in every case.
bool EvaluateStationScript(const std::string& projectDir, const std::string& configName,
                           int& modules, int& slots, std::vector<ScriptProcess>& entries);
