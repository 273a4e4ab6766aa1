#pragma once
// One process entry of the station script's result.

#include <string>

struct ScriptProcess {
    std::string name;
    std::string execute;  // interpreter or tool that runs bin; empty: bin is the program
    std::string path;
    std::string bin;
    std::string args;
    int sleep = 0;  // seconds to wait after starting
};
