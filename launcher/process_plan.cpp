#include "launcher/process_plan.h"

#include "config/py_config.h"
#include "config/station_size.h"
#include "platform/string_convert.h"
#include "platform/text_utils.h"

namespace {

// The program and its arguments before any module or slot number is inserted. "slots" in
// args already becomes the slot count here, so it alone does not make an entry per-slot.
std::string BaseCommandLine(const ScriptProcess& entry, int slots) {
    std::string line =
        entry.execute.empty() ? entry.path + "/" + entry.bin : entry.execute + " " + entry.bin;
    if (!entry.args.empty()) {
        std::string args = entry.args;
        ReplaceString(args, "slots", ToString(slots), true);
        line += " " + args;
    }
    return line;
}

struct InstanceNumbers {
    bool hasModule;
    int module;
    bool hasSlot;
    int slot;
};

ProcessSpec MakeInstance(const ScriptProcess& entry, const std::string& baseLine, int slots,
                         const InstanceNumbers& numbers, const VariableExpander& expand) {
    ProcessSpec spec;
    spec.name = entry.name;
    spec.sleep = entry.sleep;
    spec.workDir = ToForwardSlashes(entry.path);
    expand(spec.workDir);

    // Separators first, then "slot" before "module", then the variables: a number or a
    // variable's value is never mistaken for a separator or a keyword.
    spec.cmd = ToForwardSlashes(baseLine);
    if (numbers.hasSlot) {
        ReplaceString(spec.cmd, "slot", ToString(numbers.slot), true);
    }
    if (numbers.hasModule) {
        ReplaceString(spec.cmd, "module", ToString(numbers.module), true);
    }
    expand(spec.cmd);

    if (numbers.hasSlot) {
        spec.slot = numbers.slot;
        spec.args = ToForwardSlashes(entry.args);
        ReplaceString(spec.args, "slots", ToString(slots), true);
        ReplaceString(spec.args, "slot", ToString(numbers.slot), true);
        if (numbers.hasModule) {
            ReplaceString(spec.args, "module", ToString(numbers.module), true);
        }
        expand(spec.args);
    }
    return spec;
}

}  // namespace

bool BuildProcessPlan(int modules, int slots, const std::vector<ScriptProcess>& entries,
                      const VariableExpander& expandVariables, ProcessPlan& plan) {
    // The script's reader refuses such counts already; any other caller is held to them too.
    if (!CheckStationSize(modules, slots)) return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ScriptProcess& entry = entries[i];
        const std::string baseLine = BaseCommandLine(entry, slots);
        const bool perModule = baseLine.find("module") != std::string::npos;
        const bool perSlot = baseLine.find("slot") != std::string::npos;
        const int moduleCount = perModule ? modules : 1;
        const int slotCount = perSlot ? slots : 1;

        std::vector<ProcessSpec> instances;
        for (int m = 0; m < moduleCount; ++m) {
            for (int s = 0; s < slotCount; ++s) {
                const InstanceNumbers numbers{perModule, m, perSlot, s};
                instances.push_back(MakeInstance(entry, baseLine, slots, numbers, expandVariables));
            }
        }
        if (!instances.empty()) {
            std::vector<ProcessSpec>& list = plan[static_cast<int>(i)];
            list.insert(list.end(), instances.begin(), instances.end());
        }
    }
    return true;
}

std::string InstanceName(const std::vector<ProcessSpec>& instances, size_t index) {
    if (instances.size() == 1) return instances[index].name;
    return instances[index].name + std::to_string(index);
}
