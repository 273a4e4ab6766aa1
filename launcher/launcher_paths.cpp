// The launcher's side of the path variables: their values from its current state.

#include "config/project_info.h"
#include "launcher/launcher.h"
#include "platform/file_system.h"

PathVariableSources Launcher::CurrentPathSources() const {
    PathVariableSources sources;
    sources.appWorkDir = GetExeDir();
    sources.projectDirName = _projectDir;
    if (_projectInfo) {
        sources.projectWorkPath = _projectInfo->ProjectWorkPath();
        sources.zmqPortJson = _projectInfo->ZmqPortJson();
    }
    return sources;
}

void Launcher::ReplaceVariables(std::string& text) const {
    ReplacePathVariables(text, CurrentPathSources());
}

std::string Launcher::GetAppWorkDir() const {
    return GetExeDir();
}

std::string Launcher::GetProjectDir() const {
    return ProjectDirOf(CurrentPathSources());
}

std::string Launcher::GetZmqPortFilePath() const {
    return ZmqPortFilePathOf(CurrentPathSources());
}
