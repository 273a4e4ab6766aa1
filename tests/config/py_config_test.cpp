// PyConfig with real config.py files in temporary project directories, evaluated by the
// embedded interpreter. Several tests run in one process, so the interpreter is started and
// finalised repeatedly, as a second station start in the same process would.
#include "config/py_config.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <signal.h>
#include <stdlib.h>

#include <string>

#include "config_test_support.h"

namespace {

class PyConfigTest : public config_test::LoggedTest {
  protected:
    // Writes `script` as the project's VX/TesterConfig/config.py; returns the project directory.
    std::string WriteScript(const std::string& script,
                            const std::string& projectName = "Station1") {
        _dir.Write(projectName + "/VX/TesterConfig/config.py", script);
        return _dir.Path() + "/" + projectName;
    }
    bool Parse(const std::string& script, const std::string& configName = "config.json") {
        return _config.ParseConfig(WriteScript(script), configName);
    }
    bool Logged(const std::string& text) const { return LogText().find(text) != std::string::npos; }

    PyConfig _config;
};

// A script returning `result` (a Python expression) from get_configA.
std::string Returning(const std::string& result) {
    return "def get_configA(name):\n    return " + result + "\n";
}

TEST_F(PyConfigTest, ReadsCountsAndEntriesInListOrder) {
    ASSERT_TRUE(Parse(R"(
import sys
def get_configA(name):
    assert isinstance(name, str), type(name)
    return {
        "modules": 2, "slots": 4, "other": object(),
        "processes": [
            {"name": "Sequence", "execute": "python", "path": "$(ProjectDir)/seq",
             "bin": "sequence.py", "args": "--port %d --config " + name, "sleep": 3},
            {"name": "Engine", "execute": "", "path": "/opt/engine", "bin": "engine",
             "args": "", "sleep": 0},
        ],
    }
)",
                      "station.json"));
    EXPECT_EQ(_config._modules, 2);
    EXPECT_EQ(_config._slots, 4);
    ASSERT_EQ(_config._processEntries.size(), 2u);
    const ScriptProcess& first = _config._processEntries[0];
    EXPECT_EQ(first.name, "Sequence");
    EXPECT_EQ(first.execute, "python");
    EXPECT_EQ(first.path, "$(ProjectDir)/seq");
    EXPECT_EQ(first.bin, "sequence.py");
    EXPECT_EQ(first.args, "--port %d --config station.json");
    EXPECT_EQ(first.sleep, 3);
    EXPECT_EQ(_config._processEntries[1].name, "Engine");
    EXPECT_EQ(_config._processEntries[1].bin, "engine");
    EXPECT_EQ(Printed(), "Parse config.py success! slotNum=4\n");
    EXPECT_EQ(LogRecords(), std::vector<std::string>{"DEBUG Parse config.py success! slotNum=4"});
}

TEST_F(PyConfigTest, ProjectDirectoriesAreTakenLiterally) {
    // A quote, and a name that would run code if it were pasted into Python source.
    const std::string names[] = {"it's here", "x'); open('pwned', 'w').close(); ('"};
    for (const std::string& name : names) {
        PyConfig config;
        EXPECT_TRUE(config.ParseConfig(
            WriteScript(Returning("{'modules': 1, 'slots': 2, 'processes': []}"), name),
            "config.json"))
            << name;
        EXPECT_EQ(config._slots, 2);
    }
    EXPECT_FALSE(std::ifstream("pwned").good());
    EXPECT_FALSE(std::ifstream(_dir.Path() + "/pwned").good());
}

TEST_F(PyConfigTest, ScriptsThatCannotBeImportedReportTheirError) {
    EXPECT_FALSE(Parse("def get_configA(name)\n    return {}\n"));
    EXPECT_TRUE(Logged("SyntaxError"));
    EXPECT_FALSE(Parse("import no_such_module_here\n"));
    EXPECT_TRUE(Logged("ModuleNotFoundError: No module named 'no_such_module_here'"));
    EXPECT_FALSE(Parse("x = 1 / 0\n"));
    EXPECT_TRUE(Logged("ZeroDivisionError: division by zero"));
    EXPECT_TRUE(Logged("config.py\", line 1, in <module>")) << "the traceback names the line";
    EXPECT_FALSE(_config.ParseConfig(_dir.Path() + "/NoProject", "config.json"));
    std::string line = "Can't find file: config\n";
    EXPECT_EQ(Printed(), line + line + line + line);
    for (const std::string& record : LogRecords()) {
        if (record.rfind("ERROR ", 0) == 0) {
            EXPECT_NE(record.find("Python error in import config"), std::string::npos) << record;
        }
    }
}

TEST_F(PyConfigTest, AScriptThatExitsDoesNotEndTheLauncher) {
    EXPECT_FALSE(Parse("import sys\nsys.exit(3)\n"));
    EXPECT_TRUE(Logged("SystemExit: 3"));
    EXPECT_FALSE(Parse(Returning("__import__('sys').exit(4)")));
    EXPECT_TRUE(Logged("SystemExit: 4"));
}

TEST_F(PyConfigTest, AnExceptionInGetConfigAIsLoggedWithItsTraceback) {
    EXPECT_FALSE(
        Parse("def check(name):\n    raise ValueError('bad station ' + name)\n"
              "def get_configA(name):\n    check(name)\n"));
    EXPECT_EQ(Printed(), "") << "no console message of its own";
    std::string log = LogText();
    EXPECT_NE(log.find("Traceback (most recent call last)"), std::string::npos) << log;
    EXPECT_NE(log.find("in check"), std::string::npos) << log;
    EXPECT_NE(log.find("ValueError: bad station config.json"), std::string::npos) << log;
    EXPECT_NE(log.find("[ERROR] Python error in get_configA"), std::string::npos) << log;
}

TEST_F(PyConfigTest, GetConfigAMustBeCallable) {
    EXPECT_FALSE(Parse("get_configA = 5\n"));
    EXPECT_FALSE(Parse("def get_config(name):\n    return {}\n"));
    EXPECT_EQ(Printed(), "Can't find function: get_configA\nCan't find function: get_configA\n");
}

TEST_F(PyConfigTest, CountsMustBeIntegersWithin32Bits) {
    struct Case {
        const char* result;
        const char* message;
    };
    const Case cases[] = {
        {"None", "Can't get obj vale: modules\n"},
        {"[('modules', 1)]", "Can't get obj vale: modules\n"},
        {"{'slots': 1}", "Can't get obj vale: modules\n"},
        {"{'modules': 2.0, 'slots': 1}", "Can't get obj vale: modules\n"},
        {"{'modules': '2', 'slots': 1}", "Can't get obj vale: modules\n"},
        {"{'modules': 2**31, 'slots': 1}", "Can't get obj vale: modules\n"},
        {"{'modules': 1}", "Can't get obj vale: slots\n"},
        {"{'modules': 1, 'slots': b'4'}", "Can't get obj vale: slots\n"},
        {"{'modules': 1, 'slots': None}", "Can't get obj vale: slots\n"},
    };
    for (const Case& c : cases) {
        PyConfig config;
        _config = config;
        EXPECT_FALSE(Parse(Returning(c.result))) << c.result;
        EXPECT_EQ(Printed(), c.message) << c.result;
    }
}

TEST_F(PyConfigTest, BooleansAreIntegers) {
    ASSERT_TRUE(Parse(Returning(
        "{'modules': True, 'slots': -2**31, 'processes': [{'name': 'a', 'sleep': False}]}")));
    EXPECT_EQ(_config._modules, 1);
    EXPECT_EQ(_config._slots, -2147483647 - 1);
    EXPECT_EQ(_config._processEntries.at(0).sleep, 0);
}

TEST_F(PyConfigTest, ProcessesThatAreNoListGiveNoEntries) {
    for (const char* processes :
         {"'processes': []", "'processes': ({'name': 'a', 'sleep': 1},)", "'processes': None",
          "'processes': {'name': 'a', 'sleep': 1}", ""}) {
        PyConfig config;
        _config = config;
        ASSERT_TRUE(Parse(Returning(std::string("{'modules': 1, 'slots': 1, ") + processes + "}")))
            << processes;
        EXPECT_TRUE(_config._processEntries.empty()) << processes;
    }
}

TEST_F(PyConfigTest, EveryEntryNeedsAnIntegerSleep) {
    for (const char* entry :
         {"{'name': 'a'}", "{'name': 'a', 'sleep': 1.5}", "{'name': 'a', 'sleep': '3'}",
          "{'name': 'a', 'sleep': None}", "{'name': 'a', 'sleep': 2**40}"}) {
        PyConfig config;
        _config = config;
        EXPECT_FALSE(Parse(
            Returning(std::string("{'modules': 1, 'slots': 1, 'processes': [") + entry + "]}")))
            << entry;
        EXPECT_EQ(Printed(), "Parse sleep failed.\n") << entry;
        EXPECT_TRUE(_config._processEntries.empty());
    }
}

TEST_F(PyConfigTest, AnEmptyOrForeignEntryStopsTheReadingAfterEarlierEntries) {
    for (const char* second : {"{}", "'Engine'", "None", "[1]"}) {
        PyConfig config;
        _config = config;
        EXPECT_FALSE(Parse(Returning(std::string("{'modules': 1, 'slots': 3, 'processes': "
                                                 "[{'name': 'Sequence', 'sleep': 1}, ") +
                                     second + "]}")))
            << second;
        EXPECT_EQ(Printed(), "No process need to run.\n") << second;
        ASSERT_EQ(_config._processEntries.size(), 1u) << "what was read before stays";
        EXPECT_EQ(_config._processEntries[0].name, "Sequence");
        EXPECT_EQ(_config._slots, 3);
    }
}

TEST_F(PyConfigTest, TextValuesAreStrOrUtf8Bytes) {
    ASSERT_TRUE(Parse(Returning(R"({'modules': 1, 'slots': 1, 'processes': [
        {'name': b'Sequence', 'execute': 'Pr\u00fcfer', 'path': 5, 'bin': b'\xff\xfe',
         'args': 'a\x00b', 'sleep': 1},
        {'name': ['x'], 'path': None, 'sleep': 2}]})")));
    ASSERT_EQ(_config._processEntries.size(), 2u);
    const ScriptProcess& first = _config._processEntries[0];
    EXPECT_EQ(first.name, "Sequence");
    EXPECT_EQ(first.execute,
              "Pr\xc3\xbc"
              "fer");
    EXPECT_EQ(first.path, "") << "an integer is not a text";
    EXPECT_EQ(first.bin, "") << "bytes that are not UTF-8";
    EXPECT_EQ(first.args, "") << "a zero character cannot be passed on";
    const ScriptProcess& second = _config._processEntries[1];
    EXPECT_EQ(second.name, "");
    EXPECT_EQ(second.execute, "");
    EXPECT_EQ(second.bin, "");
    EXPECT_EQ(second.args, "");
    EXPECT_EQ(second.sleep, 2);
}

TEST_F(PyConfigTest, TheScriptRunsOncePerObject) {
    std::string project = WriteScript(Returning("{'modules': 1, 'slots': 2}"));
    ASSERT_TRUE(_config.ParseConfig(project, "first.json"));
    WriteScript("raise RuntimeError('must not run again')\n");
    EXPECT_TRUE(_config.ParseConfig(project, "second.json"));
    EXPECT_EQ(&_config.EnsureParsed(), &_config);
    EXPECT_EQ(_config._slots, 2);
    EXPECT_EQ(Printed(), "Parse config.py success! slotNum=2\n");

    // A fresh object evaluates the changed script, in a fresh interpreter.
    PyConfig other;
    EXPECT_FALSE(other.ParseConfig(project, "config.json"));
    EXPECT_TRUE(Logged("RuntimeError: must not run again"));
}

TEST_F(PyConfigTest, EnsureParsedRetriesWithTheStoredArguments) {
    std::string project = WriteScript("raise RuntimeError('not yet')\n");
    EXPECT_FALSE(_config.ParseConfig(project, "retry.json"));
    _dir.Write("Station1/VX/TesterConfig/config.py",
               "# changed\n" + Returning("{'modules': 3, 'slots': 1, 'processes': "
                                         "[{'name': name, 'sleep': 0}]}"));
    // The first attempt may have left compiled code behind that looks current.
    std::filesystem::remove_all(_dir.Path() + "/Station1/VX/TesterConfig/__pycache__");
    PyConfig& parsed = _config.EnsureParsed();
    EXPECT_EQ(parsed._modules, 3);
    ASSERT_EQ(parsed._processEntries.size(), 1u);
    EXPECT_EQ(parsed._processEntries[0].name, "retry.json");
}

void MarkSignal(int) {}

TEST_F(PyConfigTest, TheInterpreterLeavesSignalsLocaleAndEnvironmentAlone) {
    struct sigaction mine = {};
    mine.sa_handler = MarkSignal;
    sigemptyset(&mine.sa_mask);
    struct sigaction previous = {};
    ASSERT_EQ(sigaction(SIGINT, &mine, &previous), 0);
    // Ignored signals are inherited by the station's processes: SIGPIPE must stay as it was.
    void (*pipeBefore)(int) = signal(SIGPIPE, SIG_DFL);
    std::string locale = setlocale(LC_CTYPE, nullptr);
    const char* lcCtype = getenv("LC_CTYPE");
    std::string lcCtypeBefore = lcCtype ? lcCtype : "(unset)";

    EXPECT_TRUE(Parse(Returning("{'modules': 1, 'slots': 1}")));

    struct sigaction now = {};
    ASSERT_EQ(sigaction(SIGINT, &previous, &now), 0);
    EXPECT_EQ(now.sa_handler, MarkSignal);
    EXPECT_EQ(signal(SIGPIPE, pipeBefore), SIG_DFL);
    EXPECT_EQ(setlocale(LC_CTYPE, nullptr), locale);
    lcCtype = getenv("LC_CTYPE");
    EXPECT_EQ(lcCtype ? lcCtype : "(unset)", lcCtypeBefore);
}

}  // namespace
