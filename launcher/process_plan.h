#pragma once
// The process plan: the station script's process entries expanded into the concrete
// instances to start. An entry whose command line mentions "module" is started once per
// module, one that mentions "slot" once per slot, one that mentions both once per module and
// slot (module-major), any other once.

#include <functional>
#include <map>
#include <string>
#include <vector>

struct ScriptProcess;

// One planned process instance.
struct ProcessSpec {
    std::string name;     // the entry's name; Run numbers the instances of multi-instance entries
    std::string workDir;  // the entry's path, slashes normalised, variables substituted
    std::string cmd;      // complete command line, numbers and variables substituted
    int sleep = 0;        // seconds to wait after starting
    int slot = -1;        // slot number of a per-slot instance, else -1
    std::string args;     // a per-slot instance's substituted args, else empty
};

// Script entry index (from 0) to its instances in the order made. An entry that yields no
// instance has no key.
typedef std::map<int, std::vector<ProcessSpec>> ProcessPlan;

// Substitutes the path variables in a text, in place.
typedef std::function<void(std::string&)> VariableExpander;

// Appends the instances of every entry to `plan`, in script order, and returns true; a count
// of 0 or less yields no instance for the entries that depend on it. Plain text replacement:
// "slot" and "module" are replaced wherever they occur, also inside longer words. Counts
// beyond the station bound (CheckStationSize) are refused: false, the reason printed and
// logged, `plan` unchanged.
bool BuildProcessPlan(int modules, int slots, const std::vector<ScriptProcess>& entries,
                      const VariableExpander& expandVariables, ProcessPlan& plan);

// The name an instance starts under: an entry of several instances numbers them from 0
// ("Sequence0"), a single one keeps the entry's name.
std::string InstanceName(const std::vector<ProcessSpec>& instances, size_t index);
