#pragma once
// The launcher's command line. With no argument it starts the station; the few options only
// inform or check. Arguments that are no option are ignored (a shortcut or wrapper may pass
// some).

#include <string>

enum class LauncherMode { kRun, kCheck, kHelp, kVersion, kUnknownOption };

struct LauncherOptions {
    LauncherMode mode = LauncherMode::kRun;
    std::string unknownOption;  // the first argument that starts with "-" and is no option
};

LauncherOptions ParseLauncherOptions(int argc, const char* const* argv);

// What --help prints.
std::string LauncherUsage();

// "VXLauncher <version>", and " (<revision>)" when built from a checkout.
std::string LauncherVersion();
