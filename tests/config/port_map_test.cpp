// PortMap::ReadPortFile on real port files, with the messages it prints and logs.
#include "config/port_map.h"

#include "config_test_support.h"

using PortMapTest = ConfigTest;

// The result and the six fields of a fresh PortMap that read the file at `path`.
static std::string Read(const std::string& path) {
    PortMap ports;
    std::string result = ports.ReadPortFile(path) ? "true" : "false";
    for (int port : {ports.SEQUENCER_PORT, ports.SEQUENCER_PUB, ports.SM_PORT, ports.SM_PUB,
                     ports.TEST_ENGINE_PORT, ports.TEST_ENGINE_PUB})
        result += " " + std::to_string(port);
    return result;
}

const std::string kNone = "true -1 -1 -1 -1 -1 -1", kRefused = "false -1 -1 -1 -1 -1 -1";

TEST_F(PortMapTest, StoresOnlyIntegersWithin32BitsFromAStrictJsonObject) {
    const size_t depth = 1000000;  // parsed without exhausting the stack
    const std::pair<std::string, std::string> cases[] = {
        {R"({"TEST_ENGINE_PUB": 6250, "SM_PUB": 6150, "SEQUENCER_PORT": 6000, "other": "ignored",
            "SEQUENCER_PUB": 6050, "SM_PORT": 6100, "TEST_ENGINE_PORT": 6200})",
         "true 6000 6050 6100 6150 6200 6250"},
        {"{}", kNone},
        {R"({"sequencer_port": 6000, "SM_PORT ": 6100})", kNone},
        {R"({"SEQUENCER_PORT": "6000", "SEQUENCER_PUB": 6050.5, "SM_PORT": true, "SM_PUB": null,
            "TEST_ENGINE_PORT": {"port": 1}, "TEST_ENGINE_PUB": [6250]})",
         kNone},
        {R"({"SEQUENCER_PORT": 2147483648, "SEQUENCER_PUB": 4294967296, "SM_PORT": -2147483649,
            "SM_PUB": 6000.0, "TEST_ENGINE_PORT": 1e3, "TEST_ENGINE_PUB": 18446744073709551615})",
         kNone},
        // No port range check: any 32-bit value is kept. The first of repeated keys counts.
        {R"({"SEQUENCER_PORT": 0, "SM_PORT": -5, "TEST_ENGINE_PORT": 70000, "SM_PUB": 2147483647,
            "SEQUENCER_PUB": -2147483648, "TEST_ENGINE_PUB": 1, "TEST_ENGINE_PUB": 2})",
         "true 0 -2147483648 -5 2147483647 70000 1"},
        {"{\"deep\": " + std::string(depth, '[') + std::string(depth, ']') + ", \"SM_PORT\": 6100}",
         "true -1 -1 6100 -1 -1 -1"},
        // Anything but a strict JSON object fails.
        {"[6000, 6100]", kRefused},
        {"", kRefused},
        {"{\"SM_PORT\": 6100,}", kRefused},
        {"// ports\n{\"SM_PORT\": 6100}", kRefused},
        {"\xEF\xBB\xBF{\"SM_PORT\": 6100}", kRefused},  // a byte-order mark
        {"{\"SM_PORT\": 6100} trailing", kRefused},
        {"{\"SM_PORT\": NaN}", kRefused},
        {std::string("{\"SM_PORT\": 1}\0garbage", 23), kRefused},  // a zero byte, wherever it is
        {std::string(depth, '['), kRefused},
    };
    for (const auto& [content, ports] : cases) {
        std::string path = Write("zmqports.json", content);
        EXPECT_EQ(Read(path), ports) << content.substr(0, 100);
        EXPECT_EQ(Printed(), ports == kRefused
                                 ? "Parse zmq config file failed. file path=" + path + "\n"
                                 : "");
    }
}

TEST_F(PortMapTest, FileProblemsEndTheStepNotTheProgram) {
    std::string missing = _dir / "missing.json";
    std::string notDir = Write("file", "x") + "/zmqports.json";  // absence as well
    std::string tooLong = _dir / std::string(256, 'p');
    for (const std::string& path : {missing, notDir, _dir.path, tooLong})
        EXPECT_EQ(Read(path), kRefused) << path;
    std::string absent = "File does not exist,please check it. file path=";
    std::string unread = "File get all data failed. file path=";
    EXPECT_EQ(Printed(), absent + missing + "\n" + absent + notDir +
                             "\nError form reading file.\n" + unread + _dir.path + "\n" + unread +
                             tooLong + "\n" + tooLong + ": Bad path syntax: " + tooLong + "\n");
    EXPECT_EQ(Log(), "DEBUG " + absent + missing + "\nDEBUG " + absent + notDir + "\nDEBUG " +
                         unread + _dir.path + "\nDEBUG " + unread + tooLong + "\nERROR " + tooLong +
                         ": Bad path syntax: " + tooLong + "\n");
}
