#pragma once
// The station project's description, read from its project file (XML, root "Project").

#include <string>
#include <vector>

struct CsvFile {
    std::string filePath;  // the plain CSV file; may hold path variables
    int isFocus = 0;
    int isEncrypt = 0;  // 1: produced from the ".bry" beside it at every start
};

struct ConfigJson {
    std::string filePath;
    int isFocus = 0;  // the first entry with 1 is the configuration in focus
};

class ProjectInfo {
  public:
    // Reads the project file. False only when it cannot be read or is not well-formed XML
    // ("Parse  Project file %s failed." is printed and logged); a missing element is logged at
    // DEBUG and leaves its field at the initial value (IsCheckMD5 then true).
    bool LoadProjectFile(const std::string& path);

    // File-name part of the first ConfigJson with isFocus 1, or "config.json".
    std::string GetConfigJsonName() const;

    const std::string& ProjectName() const { return _projectName; }
    const std::string& ProjectType() const { return _projectType; }
    const std::vector<CsvFile>& CsvFiles() const { return _csvFiles; }
    const std::vector<ConfigJson>& ConfigJsons() const { return _configJsons; }
    std::string ZmqPortJson() const { return _zmqPortJson; }
    std::string ProjectWorkPath() const { return _projectWorkPath; }
    void SetProjectWorkPath(const std::string& path) { _projectWorkPath = path; }
    bool IsCheckMD5() const { return _isCheckMD5; }

  private:
    std::string _projectName;
    std::string _projectType;
    std::vector<CsvFile> _csvFiles;
    std::vector<ConfigJson> _configJsons;
    std::string _zmqPortJson;
    std::string _projectWorkPath;
    bool _isCheckMD5 = false;
};
