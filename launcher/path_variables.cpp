#include "launcher/path_variables.h"

#include "platform/text_utils.h"

namespace {

// Steps shared by the port file path and the full substitution. The port file path cannot
// refer to itself, so "$(ZmqPortFileFullPath)" is not part of this.
void ReplaceDirectoryVariables(std::string& text, const PathVariableSources& sources) {
    text = ToForwardSlashes(text);
    ReplaceString(text, "$(AppWorkDir)", sources.appWorkDir, true);
    ReplaceString(text, "$(ProjectDir)", ProjectDirOf(sources), true);
    ReplaceString(text, "$(ProjectWorkDir)", sources.projectWorkPath, true);
}

}  // namespace

std::string ProjectDirOf(const PathVariableSources& sources) {
    return sources.appWorkDir + "/" + sources.projectDirName;
}

std::string ZmqPortFilePathOf(const PathVariableSources& sources) {
    std::string path = ProjectDirOf(sources) + "/VX/TesterConfig/zmqports.json";
    if (!sources.zmqPortJson.empty()) {
        path = sources.zmqPortJson;
    }
    ReplaceDirectoryVariables(path, sources);
    return path;
}

void ReplacePathVariables(std::string& text, const PathVariableSources& sources) {
    ReplaceDirectoryVariables(text, sources);
    ReplaceString(text, "$(ZmqPortFileFullPath)", ZmqPortFilePathOf(sources), true);
}
