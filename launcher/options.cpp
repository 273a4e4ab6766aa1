#include "launcher/options.h"

#include <cstring>

#include "vx_revision.h"

LauncherOptions ParseLauncherOptions(int argc, const char* const* argv) {
    LauncherOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') continue;
        if (strcmp(argument, "--help") == 0 || strcmp(argument, "-h") == 0) {
            options.mode = LauncherMode::kHelp;
        } else if (strcmp(argument, "--version") == 0) {
            options.mode = LauncherMode::kVersion;
        } else if (strcmp(argument, "--check") == 0) {
            options.mode = LauncherMode::kCheck;
        } else {
            options.mode = LauncherMode::kUnknownOption;
            options.unknownOption = argument;
            return options;
        }
    }
    return options;
}

std::string LauncherUsage() {
    return "Usage: VXLauncher [--check | --help | --version]\n"
           "\n"
           "Brings up the test station installed in the launcher's own directory: reads\n"
           "Config/launcher.xml, the project file, the station script and the port file, ends\n"
           "what is left of an earlier run and starts every station process. Ctrl-C stops\n"
           "them all. The log is log/Launcher.log beside the launcher.\n"
           "\n"
           "  --check    run the start-up steps without touching the station: print the plan,\n"
           "             the ports a start would clear and the processes it would end, and\n"
           "             exit 0 when a start would get past start-up, 1 when not\n"
           "  --help     print this text\n"
           "  --version  print the launcher's version\n"
           "\n"
           "Exit status: 0 after Ctrl-C, 255 when start-up fails, 3 when another launcher\n"
           "runs the station, 2 for an unknown option.\n";
}

std::string LauncherVersion() {
    std::string version = std::string("VXLauncher ") + VX_VERSION;
    if (VX_SOURCE_REVISION[0] != '\0') version += std::string(" (") + VX_SOURCE_REVISION + ")";
    return version;
}
