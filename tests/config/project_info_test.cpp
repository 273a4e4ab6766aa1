// ProjectInfo on real project files; its DEBUG messages are read back from a real log file.
#include "config/project_info.h"

#include "config_test_support.h"

class ProjectInfoTest : public ConfigTest {
  protected:
    bool LoadText(const std::string& content) {  // into a fresh ProjectInfo
        _project = ProjectInfo();
        return _project.LoadProjectFile(Write("Station1/Station1.prj", content));
    }

    ProjectInfo _project;
};

TEST_F(ProjectInfoTest, ReadsEveryFieldOfTheFirstProjectAndItsFirstLists) {
    ASSERT_TRUE(LoadText(R"(<?xml version="1.0" encoding="utf-8"?>
<Project><IsCheckMD5>0</IsCheckMD5><ProjectName>Station One</ProjectName>
  <ProjectType>FCT</ProjectType><ProjectWorkPath>$(AppWorkDir)/work</ProjectWorkPath>
  <CsvFiles><CsvFile filePath="$(ProjectDir)/Data/limits.csv" isFocus="1" isEncrypt="1"/><CsvFile/>
    <CsvFile FILEPATH="plain.csv" IsFocus="0x2" ISENCRYPT="01"><CsvFile filePath="nested"/></CsvFile>
  </CsvFiles><CsvFiles><CsvFile filePath="second list"/></CsvFiles>
  <ConfigJsons><ConfigJson filePath="a.json" isFocus="0"/>
    <ConfigJson filePath="$(ProjectDir)/TesterConfig/station.json" isFocus="1"/></ConfigJsons>
  <ConfigJsons><ConfigJson filePath="two.json" isFocus="1"/></ConfigJsons>
  <ZmqPortJson> ports.json </ZmqPortJson>
</Project><Project><ProjectName>second project</ProjectName></Project>)"));
    std::string fields = _project.ProjectName() + "|" + _project.ProjectType() + "|" +
                         _project.ProjectWorkPath() + "|" + _project.ZmqPortJson() + "|";
    for (const CsvFile& f : _project.CsvFiles())
        fields += f.filePath + " " + std::to_string(f.isFocus) + std::to_string(f.isEncrypt) + ",";
    for (const ConfigJson& f : _project.ConfigJsons())
        fields += f.filePath + " " + std::to_string(f.isFocus) + ",";
    // Blanks around a text are kept.
    EXPECT_EQ(fields,
              "Station One|FCT|$(AppWorkDir)/work| ports.json |$(ProjectDir)/Data/limits.csv 11, "
              "00,plain.csv 21,a.json 0,$(ProjectDir)/TesterConfig/station.json 1,");
    EXPECT_FALSE(_project.IsCheckMD5());
    EXPECT_EQ(_project.GetConfigJsonName(), "station.json");
    EXPECT_EQ(Log() + Printed(), "");
}

TEST_F(ProjectInfoTest, UnreadableFilesChangeNothingAndMissingElementsAreLoggedInReadingOrder) {
    // Files that do not load fail with their path; the fields are as they were.
    std::string printed, expected;
    _project.SetProjectWorkPath("before");
    for (std::string path : {Write("a.prj", "<Project><ProjectName>x</ProjectName>"),
                             Write("b.prj", "<Project"), _dir / "missing.prj"}) {
        EXPECT_FALSE(_project.LoadProjectFile(path)) << path;
        printed += "Parse  Project file " + path + " failed.\n";
        expected += "DEBUG Parse  Project file " + path + " failed.\n";
    }
    EXPECT_EQ(_project.ProjectWorkPath(), "before");
    EXPECT_FALSE(_project.IsCheckMD5());
    EXPECT_EQ(Printed(), printed);

    std::vector<std::string> missing;
    for (const char* name : {"ProjectName", "ProjectType", "CsvFiles.CsvFile", "ProjectWorkPath",
                             "ConfigJsons.ConfigJson", "ZmqPortJson"})
        missing.push_back(std::string("DEBUG Project.") + name + " is invalid\n");
    missing.push_back("DEBUG Project.IsCheckMD5\n");
    // No Project at all: nothing, another root, another case.
    for (const char* content : {"", "<Other><ProjectName>x</ProjectName></Other>",
                                "<project><ProjectName>x</ProjectName></project>"}) {
        ASSERT_TRUE(LoadText(content)) << content;
        EXPECT_EQ(_project.ProjectName() + _project.ZmqPortJson(), "");
        EXPECT_TRUE(_project.CsvFiles().empty());
        EXPECT_TRUE(_project.IsCheckMD5()) << "no element: the digest check runs";
        EXPECT_EQ(_project.GetConfigJsonName(), "config.json");
        for (const std::string& line : missing) expected += line;
    }
    // Some present, in another order than they are read; blanks alone are no text to the parser.
    ASSERT_TRUE(LoadText(
        "<Project><ZmqPortJson> </ZmqPortJson><ProjectType>T</ProjectType><CsvFiles/></Project>"));
    EXPECT_EQ(_project.ZmqPortJson(), "");
    for (int i : {0, 2, 3, 4, 6}) expected += missing[i];
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(Printed(), "") << "DEBUG messages go to the log only";
}

// A ConfigJson entry of the project file.
std::string Json(const std::string& path, const char* isFocus) {
    return "<ConfigJson filePath='" + path + "' isFocus='" + isFocus + "'/>";
}

TEST_F(ProjectInfoTest, DigestCheckIsOffOnlyForZeroAndTheJsonNameComesFromTheFirstFocusOne) {
    const std::tuple<const char*, std::string, bool, const char*> cases[] = {
        {"2", Json("a.json", "0") + Json("b.json", "2"), true, "config.json"},
        {"-1", Json("d/1.json", "1") + Json("2", "1"), true, "1.json"},
        {"0", Json("C:\\cfg\\win.json", "0x1"), false, "win.json"},
        {"", "<ConfigJson isFocus='1'/>", false, ""},
        {"true", "", false, "config.json"},
    };
    for (const auto& [isCheckMD5, entries, checked, name] : cases) {
        ASSERT_TRUE(LoadText(std::string("<Project><IsCheckMD5>") + isCheckMD5 +
                             "</IsCheckMD5><ConfigJsons>" + entries + "</ConfigJsons></Project>"));
        EXPECT_EQ(_project.IsCheckMD5(), checked) << isCheckMD5;
        EXPECT_EQ(_project.GetConfigJsonName(), name) << entries;
    }
}
