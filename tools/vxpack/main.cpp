#include <iostream>
#include <string>
#include <vector>

#include "tools/vxpack/vxpack_commands.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunVXPack(args, std::cout, std::cerr);
}
