// Init: from the files on disk to a ready process plan. Each step logs its own reason and
// the first failing one ends start-up.

#include "config/port_map.h"
#include "config/project_info.h"
#include "config/py_config.h"
#include "integrity/md5_manifest.h"
#include "launcher/launcher.h"
#include "platform/file_system.h"
#include "platform/log.h"

namespace {

// Digest findings for files that change in normal operation (logs, generated data,
// the launcher itself) do not stop start-up. Matched anywhere in the path, with case.
const char* const kToleratedFindings[] = {
    "config.pyc", ".log", "DS_Store", ".csv", "config.json", "VXLauncher", ".prj",
};

bool IsToleratedFinding(const std::string& path) {
    for (const char* text : kToleratedFindings) {
        if (path.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool Launcher::Init() {
    const std::string appDir = GetExeDir();

    // The manifest must be installed even when the project does not ask for digests.
    const std::string manifestPath = appDir + kManifestRelativePath;
    if (!PathExists(manifestPath)) {
        LOG_PRINT("%s noe exist", manifestPath.c_str());
        return false;
    }

    if (!ReadLauncherConfig()) {
        LOG_PRINT("Parse Config.xml failed. May be file does not exist.");
        return false;
    }

    const std::string projectFilePath = appDir + "/" + _projectDir + "/" + _projectFile;
    _projectInfo.reset(new ProjectInfo());
    if (!_projectInfo->LoadProjectFile(projectFilePath)) {
        LOG_PRINT("Parse prj file failed.Prj Path=%s", projectFilePath.c_str());
        return false;
    }

    if (_projectInfo->IsCheckMD5() && !CheckDigests(manifestPath)) {
        return false;
    }

    std::string workPath = _projectInfo->ProjectWorkPath();
    ReplaceVariables(workPath);
    if (!PathExists(workPath)) {
        LOG_PRINT_ERROR("project work path %s not exist", workPath.c_str());
        return false;
    }
    _projectInfo->SetProjectWorkPath(workPath);

    if (!DecryptCsvFiles()) {
        LOG_PRINT_ERROR("DecryptCsvFiles faile, please check reasons with log");
        return false;
    }

    const std::string projectDir = GetProjectDir();
    _pyConfig.reset(new PyConfig());
    if (!_pyConfig->ParseConfig(projectDir, _projectInfo->GetConfigJsonName())) {
        LOG_PRINT("Parse config.py failed.Path=%s", projectDir.c_str());
        return false;
    }

    _zmqPorts.reset(new PortMap());
    const std::string portFilePath = GetZmqPortFilePath();
    if (!_zmqPorts->ReadPortFile(portFilePath)) {
        LOG_PRINT("Parse zmq config failed.Project Path=%s", portFilePath.c_str());
        return false;
    }

    return BuildProcessPlan();
}

// Every finding that is not tolerated is named; any such finding stops start-up. A manifest
// that cannot be read (or read to its end) is said to be so, and start-up goes on.
bool Launcher::CheckDigests(const std::string& manifestPath) {
    bool changed = false;
    const ManifestRead read =
        CheckMd5ManifestEach(GetExeDir(), manifestPath, [&changed](const Md5Entry& finding) {
            if (!IsToleratedFinding(finding.path)) {
                LOG_PRINT("%s have changed", finding.path.c_str());
                changed = true;
            }
        });
    if (read != ManifestRead::Read) {
        // The rules let start-up go on without a usable manifest; the operator must hear of it.
        LOG_PRINT_ERROR(
            "Digest check not done: %s %s. Start-up goes on with the installed files NOT "
            "verified; write the manifest again with \"VXPack manifest\".",
            manifestPath.c_str(), ManifestProblem(read).c_str());
    }
    return !changed;
}

bool Launcher::BuildProcessPlan() {
    PyConfig& config = _pyConfig->EnsureParsed();
    return ::BuildProcessPlan(
        config._modules, config._slots, config._processEntries,
        [this](std::string& text) { ReplaceVariables(text); }, _processPlan);
}
