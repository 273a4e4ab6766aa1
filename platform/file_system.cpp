#include "platform/file_system.h"

#include "platform/text_utils.h"

// What every backend shares: the directory part of the executable's path.
std::string ExeDirFromPath(const std::string& exePath) {
    std::string dir = exePath;
    ReplaceString(dir, "\\", "/", true);
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos) dir.resize(slash);
    return dir;
}
