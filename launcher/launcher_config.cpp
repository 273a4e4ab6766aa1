// The launcher's settings file: where the station's project lives.

#include "config/xml_node.h"
#include "launcher/launcher.h"
#include "platform/file_system.h"
#include "platform/log.h"

bool Launcher::ReadLauncherConfig() {
    const std::string path = GetExeDir() + "/Config/launcher.xml";
    XmlNode document;
    if (!LoadXmlFile(path, document)) {
        LOG_PRINT("Parse launcher.xml failed.Path=%s", path.c_str());
        return false;
    }

    // A file that loads but does not say where the project is cannot be used; name the
    // missing element rather than go on with an empty project path.
    const char* const required[] = {"Config", "Config.ProjectDir", "Config.ProjectFile"};
    for (const char* element : required) {
        if (!document.GetNode(element).IsValid()) {
            LOG_PRINT("%s is missing in %s", element, path.c_str());
            return false;
        }
    }

    _projectDir = document.GetNode("Config.ProjectDir").GetValue(std::string());
    _projectFile = document.GetNode("Config.ProjectFile").GetValue(std::string());
    // Optional: 0 keeps every child's output in Launcher.log only.
    _processLogs = document.GetNode("Config.ProcessLogs").GetValue(1) != 0;
    return true;
}
