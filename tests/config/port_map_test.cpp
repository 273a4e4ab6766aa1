// PortMap::ReadPortFile on real port files, with the messages it prints and logs.
#include "config/port_map.h"

#include <gtest/gtest.h>
#include <limits.h>

#include <string>

#include "config_test_support.h"

namespace {

class PortMapTest : public config_test::LoggedTest {
  protected:
    bool ReadText(const std::string& content) {
        _path = _dir.Write("VX/TesterConfig/zmqports.json", content);
        return _ports.ReadPortFile(_path);
    }
    void ExpectUntouched() const {
        EXPECT_EQ(_ports.SEQUENCER_PORT, -1);
        EXPECT_EQ(_ports.SEQUENCER_PUB, -1);
        EXPECT_EQ(_ports.SM_PORT, -1);
        EXPECT_EQ(_ports.SM_PUB, -1);
        EXPECT_EQ(_ports.TEST_ENGINE_PORT, -1);
        EXPECT_EQ(_ports.TEST_ENGINE_PUB, -1);
    }

    PortMap _ports;
    std::string _path;
};

TEST_F(PortMapTest, ReadsAllSixKeysInAnyOrder) {
    ASSERT_TRUE(ReadText(R"({"TEST_ENGINE_PUB": 6250, "SM_PUB": 6150, "SEQUENCER_PORT": 6000,
        "other": "ignored", "SEQUENCER_PUB": 6050, "SM_PORT": 6100, "TEST_ENGINE_PORT": 6200})"));
    EXPECT_EQ(_ports.SEQUENCER_PORT, 6000);
    EXPECT_EQ(_ports.SEQUENCER_PUB, 6050);
    EXPECT_EQ(_ports.SM_PORT, 6100);
    EXPECT_EQ(_ports.SM_PUB, 6150);
    EXPECT_EQ(_ports.TEST_ENGINE_PORT, 6200);
    EXPECT_EQ(_ports.TEST_ENGINE_PUB, 6250);
    EXPECT_EQ(Printed(), "");
}

TEST_F(PortMapTest, MissingOrMiscasedKeysStayAtMinusOne) {
    ASSERT_TRUE(ReadText("{}"));
    ExpectUntouched();
    ASSERT_TRUE(ReadText(R"({"sequencer_port": 6000, "SM_PORT ": 6100})"));
    ExpectUntouched();
}

TEST_F(PortMapTest, OnlyIntegersWithin32BitsAreStored) {
    ASSERT_TRUE(ReadText(R"({"SEQUENCER_PORT": "6000", "SEQUENCER_PUB": 6050.5,
        "SM_PORT": true, "SM_PUB": null, "TEST_ENGINE_PORT": {"port": 1},
        "TEST_ENGINE_PUB": [6250]})"));
    ExpectUntouched();
    ASSERT_TRUE(ReadText(R"({"SEQUENCER_PORT": 2147483648, "SEQUENCER_PUB": 4294967296,
        "SM_PORT": -2147483649, "SM_PUB": 6000.0, "TEST_ENGINE_PORT": 1e3,
        "TEST_ENGINE_PUB": 18446744073709551615})"));
    ExpectUntouched();
    // No range check beyond 32 bits: what is written is kept.
    ASSERT_TRUE(ReadText(R"({"SEQUENCER_PORT": 0, "SM_PORT": -5, "TEST_ENGINE_PORT": 70000,
        "SM_PUB": 2147483647, "SEQUENCER_PUB": -2147483648})"));
    EXPECT_EQ(_ports.SEQUENCER_PORT, 0);
    EXPECT_EQ(_ports.SM_PORT, -5);
    EXPECT_EQ(_ports.TEST_ENGINE_PORT, 70000);
    EXPECT_EQ(_ports.SM_PUB, 2147483647);
    EXPECT_EQ(_ports.SEQUENCER_PUB, INT_MIN);
}

TEST_F(PortMapTest, TheFirstOfRepeatedKeysCounts) {
    ASSERT_TRUE(ReadText(R"({"SM_PORT": 5555, "SM_PORT": 6666})"));
    EXPECT_EQ(_ports.SM_PORT, 5555);
}

TEST_F(PortMapTest, AnythingButAStrictJsonObjectFails) {
    const char* rejected[] = {
        "[6000, 6100]",
        "6000",
        "\"text\"",
        "",
        "   ",
        "{\"SM_PORT\": 6100,}",
        "// ports\n{\"SM_PORT\": 6100}",
        "{\"SM_PORT\": 6100 /* comment */}",
        "\xEF\xBB\xBF{\"SM_PORT\": 6100}",
        "{\"SM_PORT\": 6100} trailing",
        "{\"SM_PORT\": NaN}",
        "{'SM_PORT': 6100}",
        "{\"SM_PORT\": 6100",
    };
    std::string expected;
    for (const char* content : rejected) {
        PortMap ports;
        _ports = ports;
        EXPECT_FALSE(ReadText(content)) << content;
        ExpectUntouched();
        expected += "Parse zmq config file failed. file path=" + _path + "\n";
    }
    // A zero byte is no JSON, wherever it stands.
    EXPECT_FALSE(ReadText(std::string("{\"SM_PORT\": 1}\0garbage", 23)));
    expected += "Parse zmq config file failed. file path=" + _path + "\n";
    EXPECT_EQ(Printed(), expected);
}

TEST_F(PortMapTest, DeepNestingIsParsedWithoutExhaustingTheStack) {
    const size_t depth = 1000000;
    std::string content =
        "{\"deep\": " + std::string(depth, '[') + std::string(depth, ']') + ", \"SM_PORT\": 6100}";
    ASSERT_TRUE(ReadText(content));
    EXPECT_EQ(_ports.SM_PORT, 6100);
    EXPECT_FALSE(ReadText(std::string(depth, '[')));
}

TEST_F(PortMapTest, MissingFileFailsWithItsMessage) {
    std::string missing = _dir.Path() + "/VX/TesterConfig/zmqports.json";
    EXPECT_FALSE(_ports.ReadPortFile(missing));
    // A regular file where a directory is expected is absence as well.
    std::string file = _dir.Write("file", "x");
    EXPECT_FALSE(_ports.ReadPortFile(file + "/zmqports.json"));
    ExpectUntouched();
    EXPECT_EQ(Printed(), "File does not exist,please check it. file path=" + missing + "\n" +
                             "File does not exist,please check it. file path=" + file +
                             "/zmqports.json\n");
    std::vector<std::string> records = LogRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "DEBUG File does not exist,please check it. file path=" + missing);
}

TEST_F(PortMapTest, ADirectoryCannotBeRead) {
    EXPECT_FALSE(_ports.ReadPortFile(_dir.Path()));
    EXPECT_EQ(Printed(), "Error form reading file.\nFile get all data failed. file path=" +
                             _dir.Path() + "\n");
}

TEST_F(PortMapTest, FileSystemErrorsEndTheStepNotTheProgram) {
    std::string tooLong = _dir.Path() + "/" + std::string(NAME_MAX + 1, 'p');
    EXPECT_FALSE(_ports.ReadPortFile(tooLong));
    EXPECT_EQ(Printed(), "File get all data failed. file path=" + tooLong + "\n");
    std::vector<std::string> records = LogRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], "ERROR " + tooLong + ": Bad path syntax: " + tooLong);
}

}  // namespace
