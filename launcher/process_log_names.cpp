#include "launcher/process_log_names.h"

#include <Poco/String.h>

#include <set>

namespace {

// Names a file may not have on Windows, whatever its extension, and the launcher's own log.
bool IsReserved(const std::string& upper) {
    static const std::set<std::string> kReserved = {"CON", "PRN", "AUX", "NUL", "LAUNCHER"};
    if (kReserved.count(upper) != 0) return true;
    return upper.size() == 4 &&
           (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

std::string SafeName(const std::string& name) {
    std::string safe = name.empty() ? "process" : name;
    for (char& c : safe) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!plain) c = '_';
    }
    return safe;
}

}  // namespace

std::vector<std::string> ProcessLogFileNames(const std::vector<std::string>& instanceNames) {
    std::set<std::string> taken;  // upper case: file names on Windows ignore case
    std::vector<std::string> files;
    for (const std::string& name : instanceNames) {
        const std::string base = SafeName(name);
        std::string chosen = base;
        for (int n = 2; IsReserved(Poco::toUpper(chosen)) || taken.count(Poco::toUpper(chosen));
             ++n)
            chosen = base + "_" + std::to_string(n);
        taken.insert(Poco::toUpper(chosen));
        files.push_back(chosen + ".log");
    }
    return files;
}
