#include "config/py_config.h"

#include "config/station_script.h"
#include "platform/log.h"

bool PyConfig::ParseConfig(const std::string& projectDir, const std::string& configName) {
    _projectPath = projectDir;
    _configName = configName;
    if (_parsed) return true;
    _processEntries.clear();
    if (!EvaluateStationScript(projectDir, configName, _modules, _slots, _processEntries)) {
        return false;
    }
    _parsed = true;
    LOG_PRINT("Parse config.py success! slotNum=%d", _slots);
    return true;
}

PyConfig& PyConfig::EnsureParsed() {
    ParseConfig(_projectPath, _configName);
    return *this;
}
