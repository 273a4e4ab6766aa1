// ProjectInfo::LoadProjectFile and GetConfigJsonName on real project files; the DEBUG messages
// are read back from a real log file.
#include "config/project_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_test_support.h"

namespace {

class ProjectInfoTest : public config_test::LoggedTest {
  protected:
    bool LoadText(const std::string& content) {
        _path = _dir.Write("Station1/Station1.prj", content);
        return _project.LoadProjectFile(_path);
    }
    std::vector<std::string> DebugMessages() const {
        std::vector<std::string> messages;
        for (const std::string& record : LogRecords()) {
            if (record.rfind("DEBUG ", 0) == 0) messages.push_back(record.substr(6));
        }
        return messages;
    }

    ProjectInfo _project;
    std::string _path;
};

const std::vector<std::string> kAllMissing = {
    "Project.ProjectName is invalid",
    "Project.ProjectType is invalid",
    "Project.CsvFiles.CsvFile is invalid",
    "Project.ProjectWorkPath is invalid",
    "Project.ConfigJsons.ConfigJson is invalid",
    "Project.ZmqPortJson is invalid",
    "Project.IsCheckMD5",
};

TEST_F(ProjectInfoTest, ReadsEveryFieldOfACompleteFile) {
    ASSERT_TRUE(LoadText(R"(<?xml version="1.0" encoding="utf-8"?>
<Project>
  <IsCheckMD5>0</IsCheckMD5>
  <ProjectName>Station One</ProjectName>
  <ProjectType>FCT</ProjectType>
  <CsvFiles>
    <CsvFile filePath="$(ProjectDir)/Data/limits.csv" isFocus="1" isEncrypt="1"/>
    <CsvFile/>
    <CsvFile FILEPATH="plain.csv" IsFocus="0x2" ISENCRYPT="01"/>
  </CsvFiles>
  <ProjectWorkPath>$(AppWorkDir)/work</ProjectWorkPath>
  <ConfigJsons>
    <ConfigJson filePath="a.json" isFocus="0"/>
    <ConfigJson filePath="$(ProjectDir)/TesterConfig/station.json" isFocus="1"/>
  </ConfigJsons>
  <ZmqPortJson> ports.json </ZmqPortJson>
</Project>)"));
    EXPECT_EQ(_project.ProjectName(), "Station One");
    EXPECT_EQ(_project.ProjectType(), "FCT");
    ASSERT_EQ(_project.CsvFiles().size(), 3u);
    EXPECT_EQ(_project.CsvFiles()[0].filePath, "$(ProjectDir)/Data/limits.csv");
    EXPECT_EQ(_project.CsvFiles()[0].isFocus, 1);
    EXPECT_EQ(_project.CsvFiles()[0].isEncrypt, 1);
    EXPECT_EQ(_project.CsvFiles()[1].filePath, "");
    EXPECT_EQ(_project.CsvFiles()[1].isFocus, 0);
    EXPECT_EQ(_project.CsvFiles()[1].isEncrypt, 0);
    EXPECT_EQ(_project.CsvFiles()[2].filePath, "plain.csv");
    EXPECT_EQ(_project.CsvFiles()[2].isFocus, 2);
    EXPECT_EQ(_project.CsvFiles()[2].isEncrypt, 1);
    EXPECT_EQ(_project.ProjectWorkPath(), "$(AppWorkDir)/work");
    ASSERT_EQ(_project.ConfigJsons().size(), 2u);
    EXPECT_EQ(_project.ConfigJsons()[1].filePath, "$(ProjectDir)/TesterConfig/station.json");
    EXPECT_EQ(_project.ConfigJsons()[1].isFocus, 1);
    EXPECT_EQ(_project.ZmqPortJson(), " ports.json ") << "blanks around a text are kept";
    EXPECT_FALSE(_project.IsCheckMD5());
    EXPECT_EQ(_project.GetConfigJsonName(), "station.json");
    EXPECT_TRUE(DebugMessages().empty());
    EXPECT_EQ(Printed(), "");
}

TEST_F(ProjectInfoTest, AFileWithoutProjectLogsEveryMissingElementInOrder) {
    for (const char* content : {"", "<Other><ProjectName>x</ProjectName></Other>",
                                "<project><ProjectName>x</ProjectName></project>"}) {
        ProjectInfo project;
        _project = project;
        ASSERT_TRUE(LoadText(content)) << content;
        EXPECT_EQ(_project.ProjectName(), "");
        EXPECT_TRUE(_project.CsvFiles().empty());
        EXPECT_TRUE(_project.IsCheckMD5()) << "no element: the digest check runs";
        EXPECT_EQ(_project.GetConfigJsonName(), "config.json");
    }
    std::vector<std::string> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), kAllMissing.begin(), kAllMissing.end());
    EXPECT_EQ(DebugMessages(), expected);
    EXPECT_EQ(Printed(), "") << "DEBUG messages go to the log only";
}

TEST_F(ProjectInfoTest, MessagesFollowTheReadingOrderNotTheFileOrder) {
    ASSERT_TRUE(
        LoadText("<Project><ZmqPortJson>p.json</ZmqPortJson>"
                 "<ProjectType>T</ProjectType><CsvFiles/></Project>"));
    EXPECT_EQ(DebugMessages(), (std::vector<std::string>{
                                   "Project.ProjectName is invalid",
                                   "Project.CsvFiles.CsvFile is invalid",
                                   "Project.ProjectWorkPath is invalid",
                                   "Project.ConfigJsons.ConfigJson is invalid",
                                   "Project.IsCheckMD5",
                               }));
    EXPECT_EQ(_project.ZmqPortJson(), "p.json");
}

TEST_F(ProjectInfoTest, BlanksAloneAreNoTextToTheParser) {
    // The parser's default drops white space that is all an element holds.
    ASSERT_TRUE(LoadText("<Project><ZmqPortJson> </ZmqPortJson></Project>"));
    EXPECT_EQ(_project.ZmqPortJson(), "");
}

TEST_F(ProjectInfoTest, UnreadableFilesFailWithTheirPathAndChangeNothing) {
    _project.SetProjectWorkPath("before");
    for (const char* content : {"<Project><ProjectName>x</ProjectName>", "abc", "<Project"}) {
        EXPECT_FALSE(LoadText(content)) << content;
    }
    std::string missing = _dir.Path() + "/missing.prj";
    EXPECT_FALSE(_project.LoadProjectFile(missing));
    EXPECT_EQ(_project.ProjectWorkPath(), "before");
    EXPECT_FALSE(_project.IsCheckMD5());

    std::string line = "Parse  Project file " + _path + " failed.";
    std::string missingLine = "Parse  Project file " + missing + " failed.";
    EXPECT_EQ(Printed(), line + "\n" + line + "\n" + line + "\n" + missingLine + "\n");
    std::vector<std::string> records = LogRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], "DEBUG " + line);
    EXPECT_EQ(records[3], "DEBUG " + missingLine);
}

TEST_F(ProjectInfoTest, FlagsFollowTheIntegerRule) {
    struct Case {
        const char* text;
        int isEncrypt;
        bool isCheckMD5;
    };
    const Case cases[] = {
        {"1", 1, true},    {"0x1", 1, true}, {"01", 1, true},    {"2", 2, true},
        {"0", 0, false},   {"", 0, false},   {"true", 0, false}, {"false", 0, false},
        {"yes", 0, false}, {"-1", -1, true},
    };
    for (const Case& c : cases) {
        ProjectInfo project;
        _project = project;
        ASSERT_TRUE(LoadText(std::string("<Project><CsvFiles><CsvFile isEncrypt='") + c.text +
                             "'/></CsvFiles><IsCheckMD5>" + c.text + "</IsCheckMD5></Project>"));
        EXPECT_EQ(_project.CsvFiles().at(0).isEncrypt, c.isEncrypt) << c.text;
        EXPECT_EQ(_project.IsCheckMD5(), c.isCheckMD5) << c.text;
    }
}

TEST_F(ProjectInfoTest, OnlyTheFirstProjectAndFirstListCount) {
    ASSERT_TRUE(LoadText(R"(
<Project>
  <projectname>lower case is another element</projectname>
  <CsvFiles><CsvFile filePath="first"><CsvFile filePath="nested"/></CsvFile></CsvFiles>
  <CsvFiles><CsvFile filePath="second list"/></CsvFiles>
  <ConfigJsons><ConfigJson filePath="x/one.json" isFocus="1"/></ConfigJsons>
  <ConfigJsons><ConfigJson filePath="two.json" isFocus="1"/></ConfigJsons>
</Project>
<Project><ProjectName>second project</ProjectName></Project>)"));
    EXPECT_EQ(_project.ProjectName(), "");
    ASSERT_EQ(_project.CsvFiles().size(), 1u);
    EXPECT_EQ(_project.CsvFiles()[0].filePath, "first");
    ASSERT_EQ(_project.ConfigJsons().size(), 1u);
    EXPECT_EQ(_project.GetConfigJsonName(), "one.json");
}

TEST_F(ProjectInfoTest, ConfigJsonNameIsTheFileNameOfTheFirstFocusedEntry) {
    struct Case {
        const char* entries;
        const char* name;
    };
    const Case cases[] = {
        {"", "config.json"},
        {"<ConfigJson filePath='a.json' isFocus='0'/><ConfigJson filePath='b.json' isFocus='2'/>",
         "config.json"},
        {"<ConfigJson filePath='d/first.json' isFocus='1'/>"
         "<ConfigJson filePath='second.json' isFocus='1'/>",
         "first.json"},
        {"<ConfigJson filePath='C:\\cfg\\win.json' isFocus='0x1'/>", "win.json"},
        {"<ConfigJson filePath='bare.json' isFocus='1'/>", "bare.json"},
        {"<ConfigJson filePath='dir/' isFocus='1'/>", ""},
        {"<ConfigJson isFocus='1'/>", ""},
    };
    for (const Case& c : cases) {
        ProjectInfo project;
        _project = project;
        ASSERT_TRUE(LoadText(std::string("<Project><ConfigJsons>") + c.entries +
                             "</ConfigJsons></Project>"));
        EXPECT_EQ(_project.GetConfigJsonName(), c.name) << c.entries;
    }
    EXPECT_EQ(ProjectInfo().GetConfigJsonName(), "config.json");
}

}  // namespace
