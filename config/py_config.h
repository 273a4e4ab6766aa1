#pragma once
// The station's module and slot counts and process entries, computed by the project's
// Python module "config" (VX/TesterConfig/config.py) in an embedded interpreter.

#include <string>
#include <vector>

// ScriptProcess has a header of its own so that the interpreter's side, whose headers define a
// PyConfig of their own, can use it without this class.
#include "config/script_process.h"

class PyConfig {
  public:
    // Imports "config" from projectDir + "/VX/TesterConfig", calls get_configA(configName)
    // and copies "modules", "slots" and "processes". Runs the script at most once per object:
    // once parsed, only stores its arguments and returns true. On failure prints and logs
    // the reason (Python errors with their traceback go to the log) and returns false.
    bool ParseConfig(const std::string& projectDir, const std::string& configName);

    // The object after ParseConfig with the stored arguments (at once when already parsed).
    PyConfig& EnsureParsed();

    int _modules = 0;
    int _slots = 0;
    std::vector<ScriptProcess> _processEntries;

  private:
    bool _parsed = false;
    std::string _projectPath;
    std::string _configName;
};
