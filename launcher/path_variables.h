#pragma once
// The four path variables that project files and station scripts may use, so that a project
// does not depend on where the station is installed:
//   "$(AppWorkDir)"          the launcher's own directory
//   "$(ProjectDir)"          that directory, "/", the settings' ProjectDir
//   "$(ProjectWorkDir)"      the project's work path as currently stored
//   "$(ZmqPortFileFullPath)" the full path of the station's port file

#include <string>

// The values the variables are computed from, as they stand at the moment of a call.
struct PathVariableSources {
    std::string appWorkDir;       // forward slashes, no trailing separator
    std::string projectDirName;   // the settings' ProjectDir, verbatim
    std::string projectWorkPath;  // the project's ProjectWorkPath, verbatim
    std::string zmqPortJson;      // the project's ZmqPortJson; empty for the default file
};

// The application directory, "/", the project directory name (not normalised).
std::string ProjectDirOf(const PathVariableSources& sources);

// The port file: ZmqPortJson when given (replacing the default entirely), else
// ProjectDirOf + "/VX/TesterConfig/zmqports.json"; backslashes become slashes and the first
// three variables are substituted. "$(ZmqPortFileFullPath)" itself is left alone.
std::string ZmqPortFilePathOf(const PathVariableSources& sources);

// Turns every backslash of `text` into a slash, then substitutes the four variables in the
// order listed above. Each step replaces every occurrence and never searches the text it has
// just inserted; later steps do search values inserted by earlier ones.
void ReplacePathVariables(std::string& text, const PathVariableSources& sources);
