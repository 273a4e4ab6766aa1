#pragma once
// The file names of the per-process logs in log/.

#include <string>
#include <vector>

// One file name ("<name>.log") per instance name, in the same order: the name with every
// character but letters, digits, "-" and "_" turned into "_", made distinct from the others,
// from "Launcher" and from the device names Windows reserves (CON, NUL, COM1, ...), ignoring
// case, by a "_<n>" suffix.
std::vector<std::string> ProcessLogFileNames(const std::vector<std::string>& instanceNames);
