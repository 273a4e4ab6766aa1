// EvaluateStationScript for the test build of the launcher: the station's counts and process
// entries from VX/TesterConfig/station.json beside config.py instead of from the script, for
// systems on which no interpreter can run it. Never linked into a shipped program.
//
//   {"modules": 2, "slots": 4, "processes": [{"name": "A", "execute": "", "path": "...",
//    "bin": "...", "args": "...", "sleep": 1}, ...]}

#include <rapidjson/document.h>

#include "config/station_script.h"
#include "config/station_size.h"
#include "platform/file_system.h"
#include "platform/log.h"

namespace {

const uint64_t kMaxDescriptionSize = uint64_t(1) << 20;

bool ReadInteger(const rapidjson::Value& object, const char* key, int& field) {
    auto member = object.FindMember(key);
    if (member == object.MemberEnd() || !member->value.IsInt()) return false;
    field = member->value.GetInt();
    return true;
}

void ReadText(const rapidjson::Value& object, const char* key, std::string& field) {
    auto member = object.FindMember(key);
    if (member != object.MemberEnd() && member->value.IsString()) field = member->value.GetString();
}

}  // namespace

bool EvaluateStationScript(const std::string& projectDir, const std::string& configName,
                           int& modules, int& slots, std::vector<ScriptProcess>& entries) {
    const std::string path = projectDir + "/VX/TesterConfig/station.json";
    std::string text;
    int errorCode = 0;
    const FileReadResult read = ReadWholeFile(path, kMaxDescriptionSize, text, errorCode);
    if (read != FileReadResult::Ok) {
        LOG_PRINT("Cannot read %s: %s", path.c_str(),
                  FileReadProblem(read, kMaxDescriptionSize).c_str());
        return false;
    }
    rapidjson::Document root;
    root.Parse(text.c_str());
    if (root.HasParseError() || !root.IsObject() || !ReadInteger(root, "modules", modules) ||
        !ReadInteger(root, "slots", slots)) {
        LOG_PRINT("%s is no station description: modules and slots are needed", path.c_str());
        return false;
    }
    if (!CheckStationSize(modules, slots)) return false;
    auto processes = root.FindMember("processes");
    if (processes == root.MemberEnd() || !processes->value.IsArray()) return true;
    for (const rapidjson::Value& element : processes->value.GetArray()) {
        ScriptProcess entry;
        if (!element.IsObject() || !ReadInteger(element, "sleep", entry.sleep)) {
            LOG_PRINT("Parse sleep failed.");
            return false;
        }
        ReadText(element, "name", entry.name);
        ReadText(element, "execute", entry.execute);
        ReadText(element, "path", entry.path);
        ReadText(element, "bin", entry.bin);
        ReadText(element, "args", entry.args);
        entries.push_back(entry);
    }
    return true;
}
