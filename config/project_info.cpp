#include "config/project_info.h"

#include "config/xml_node.h"
#include "platform/log.h"
#include "platform/text_utils.h"

namespace {

// An optional text element: its text when present, else the field keeps its value and the
// log notes the element as missing.
void ReadText(const XmlNode& document, const char* path, std::string& field) {
    XmlNode node = document.GetNode(path);
    if (!node.IsValid()) {
        LOG_DEBUG("%s is invalid", path);
    } else {
        field = node.GetValue(std::string());
    }
}

// A list of elements: every element at `path` under the first parent there, in document
// order, each made an entry by `read`; without any, the log notes the path as missing.
template <class Entry, class Read>
void ReadList(const XmlNode& document, const char* path, std::vector<Entry>& list, Read read) {
    if (!document.GetNode(path).IsValid()) {
        LOG_DEBUG("%s is invalid", path);
        return;
    }
    for (const XmlNode& element : document.GetNodes(path)) list.push_back(read(element));
}

CsvFile ReadCsvFile(const XmlNode& element) {
    CsvFile entry;
    entry.filePath = element.GetAttribute("filePath", std::string());
    entry.isFocus = element.GetAttribute("isFocus", 0);
    entry.isEncrypt = element.HasAttribute("isEncrypt") ? element.GetAttribute("isEncrypt", 0) : 0;
    return entry;
}

ConfigJson ReadConfigJson(const XmlNode& element) {
    ConfigJson entry;
    entry.filePath = element.GetAttribute("filePath", std::string());
    entry.isFocus = element.GetAttribute("isFocus", 0);
    return entry;
}

}  // namespace

bool ProjectInfo::LoadProjectFile(const std::string& path) {
    XmlNode document;
    if (!LoadXmlFile(path, document)) {
        LOG_PRINT("Parse  Project file %s failed.", path.c_str());
        return false;
    }

    // Every element is optional: a missing one is noted at DEBUG and reading goes on, so the
    // log lists what the file lacks in this fixed order.
    ReadText(document, "Project.ProjectName", _projectName);

    ReadText(document, "Project.ProjectType", _projectType);

    ReadList(document, "Project.CsvFiles.CsvFile", _csvFiles, ReadCsvFile);

    ReadText(document, "Project.ProjectWorkPath", _projectWorkPath);

    ReadList(document, "Project.ConfigJsons.ConfigJson", _configJsons, ReadConfigJson);

    ReadText(document, "Project.ZmqPortJson", _zmqPortJson);

    // Without the element the digest check runs: a project must opt out explicitly.
    XmlNode node = document.GetNode("Project.IsCheckMD5");
    if (!node.IsValid()) {
        LOG_DEBUG("Project.IsCheckMD5");
        _isCheckMD5 = true;
    } else {
        _isCheckMD5 = node.GetValue(0) != 0;
    }
    return true;
}

std::string ProjectInfo::GetConfigJsonName() const {
    for (const ConfigJson& entry : _configJsons) {
        if (entry.isFocus == 1) return GetFileName(entry.filePath.c_str());
    }
    return "config.json";
}
