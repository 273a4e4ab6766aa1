// PyConfig on real config.py files; one interpreter per object, as for a second start.
// Built where the tests have an interpreter: the Linux build.
#include "config/py_config.h"

#include <Poco/Environment.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "config_test_support.h"

// The project directory: quotes in its name, which would run code if pasted into Python source,
// and a character beyond ASCII (测), which goes to Python and comes back whole.
static const std::string kProject = "x'); open('pwned', 'w').close(); ('\xe6\xb5\x8b";

static void MarkSignal(int) {}
static std::string Locale() {
    const char* variable = getenv("LC_CTYPE");
    return std::string(setlocale(LC_CTYPE, nullptr)) + " " + (variable ? variable : "(unset)");
}

// Our SIGINT handler, SIGPIPE's default (children inherit ignored ones), the locale and the
// environment stay as they are.
class PyConfigTest : public ConfigTest {
  protected:
    void SetUp() override {
        ConfigTest::SetUp();
        _sigint = signal(SIGINT, MarkSignal);
        _sigpipe = signal(SIGPIPE, SIG_DFL);
        _locale = Locale();
    }
    void TearDown() override {
        EXPECT_EQ(Locale(), _locale);
        EXPECT_EQ(signal(SIGINT, _sigint), MarkSignal);
        EXPECT_EQ(signal(SIGPIPE, _sigpipe), SIG_DFL);
        // Nothing of the directory's name ran.
        EXPECT_FALSE(std::filesystem::exists("pwned") || std::filesystem::exists(_dir / "pwned"));
        ConfigTest::TearDown();
    }
    // Writes `script` as the project's VX/TesterConfig/config.py; returns the project directory.
    std::string WriteScript(const std::string& script) {
        Write(kProject + "/VX/TesterConfig/config.py", script);
        return _dir / kProject;
    }
    bool Parse(const std::string& script, const std::string& configName = "config.json") {
        _config = PyConfig();  // a fresh one
        return _config.ParseConfig(WriteScript(script), configName);
    }
    // "modules slots" and "; name|execute|path|bin|args|sleep" per entry.
    std::string Summary() const {
        std::string text = std::to_string(_config._modules) + " " + std::to_string(_config._slots);
        for (const ScriptProcess& p : _config._processEntries)
            text += "; " + p.name + "|" + p.execute + "|" + p.path + "|" + p.bin + "|" + p.args +
                    "|" + std::to_string(p.sleep);
        return text;
    }

    PyConfig _config;
    void (*_sigint)(int) = nullptr, (*_sigpipe)(int) = nullptr;
    std::string _locale;
};

// A script whose get_configA returns `result` (a Python expression).
static std::string Returning(const std::string& result) {
    return "def get_configA(name):\n    return " + result + "\n";
}
// A result with these processes after valid counts.
static std::string WithProcesses(const std::string& processes) {
    return "{'modules': 1, 'slots': 3, 'processes': " + processes + "}";
}

TEST_F(PyConfigTest, ResultsAreTakenWhenOfTheRightKindAndWhatWasReadBeforeARefusalStays) {
    const char *ok = "Parse config.py success! slotNum=3", *sleep = "Parse sleep failed.",
               *modules = "Can't get obj vale: modules", *slots = "Can't get obj vale: slots",
               *entry = "No process need to run.";
    // Result of get_configA, the line printed and logged, what was read.
    const std::tuple<std::string, const char*, const char*> cases[] = {
        // The configuration name arrives as a str.
        {"{'modules': 2, 'slots': 4, 'other': object(), 'processes': [\n"
         "    {'name': 'Seq', 'execute': 'py', 'path': '$(ProjectDir)/s', 'bin': 's.py',\n"
         "     'args': '--config ' + name, 'sleep': 3},\n"
         "    {'name': 'E', 'execute': '', 'path': '/opt/e', 'bin': 'e', 'args': '', 'sleep': 0}]}",
         "Parse config.py success! slotNum=4",
         "2 4; Seq|py|$(ProjectDir)/s|s.py|--config station.json|3; E||/opt/e|e||0"},
        {"{'modules': True, 'slots': -2**31, 'processes': [{'name': 'a', 'sleep': False}]}",
         "Parse config.py success! slotNum=-2147483648", "1 -2147483648; a|||||0"},
        // Processes that are no list, or absent, give no entries.
        {WithProcesses("({'name': 'a', 'sleep': 1},)"), ok, "1 3"},
        {"{'modules': 1, 'slots': 3}", ok, "1 3"},
        // Texts are str or UTF-8 bytes; an int, other bytes, a zero character or a list: empty.
        {WithProcesses(R"([{'name': b'Seq', 'execute': 'Pr\u00fcfer', 'path': 5, 'bin': b'\xff\xfe',
            'args': 'a\x00b', 'sleep': 1}, {'name': ['x'], 'path': None, 'sleep': 2}])"),
         ok, "1 3; Seq|Pr\u00fcfer||||1; |||||2"},
        // Results that are no dictionary, counts that are no integer within 32 bits.
        {"None", modules, "0 0"},
        {"{'slots': 1}", modules, "0 0"},
        {"{'modules': 2.0, 'slots': 1}", modules, "0 0"},
        {"{'modules': 2**31, 'slots': 1}", modules, "0 0"},
        {"{'modules': 1, 'slots': b'4'}", slots, "1 0"},
        // Beyond the station bound, as a product that overflows 32 bits.
        {"{'modules': 65536, 'slots': 65537}",
         "Too many processes: modules=65536 x slots=65537 is 4295032832, more than 4096. Correct "
         "\"modules\" and \"slots\" returned by get_configA in config.py.",
         "65536 65537"},
        // Every entry needs an integer sleep; an empty or foreign entry stops the reading.
        {WithProcesses("[{'name': 'a'}]"), sleep, "1 3"},
        {WithProcesses("[{'name': 'a', 'sleep': 1.5}]"), sleep, "1 3"},
        {WithProcesses("[{'name': 'Seq', 'sleep': 1}, {}]"), entry, "1 3; Seq|||||1"},
        {WithProcesses("[{'name': 'Seq', 'sleep': 1}, 'E']"), entry, "1 3; Seq|||||1"},
    };
    std::string logged;
    for (const auto& [result, printed, summary] : cases) {
        bool parsed = std::string(printed).find("success") != std::string::npos;
        EXPECT_EQ(Parse(Returning(result), "station.json"), parsed) << result;
        EXPECT_EQ(Printed(), std::string(printed) + "\n") << result;
        EXPECT_EQ(Summary(), summary) << result;
        logged += std::string("DEBUG ") + printed + "\n";
    }
    EXPECT_EQ(Log(), logged) << "only the printed lines, at DEBUG";
}

TEST_F(PyConfigTest, ScriptErrorsAreLoggedWithTheirTracebackAndEndNothing) {
    const char *import = "Can't find file: config\n", *call = "Can't find function: get_configA\n";
    // Script, console message, step of the Python error in the log, the error's last line.
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = {
        {"def get_configA(name)\n    return {}\n", import, "import config", "SyntaxError"},
        // Exiting ends the script, not the launcher.
        {"import sys; sys.exit(3)\n", import, "import config", "SystemExit: 3"},
        {Returning("__import__('sys').exit(4)"), "", "get_configA", "SystemExit: 4"},
        {"def check(name):\n    raise ValueError('bad station ' + name)\n"
         "def get_configA(name):\n    check(name)\n",
         "", "get_configA", "ValueError: bad station config.json"},
        {"get_configA = 5\n", call, nullptr, nullptr},
        {"def get_config(name):\n    return {}\n", call, nullptr, nullptr},
    };
    for (const auto& [script, printed, step, error] : cases) {
        size_t before = Log().size();
        EXPECT_FALSE(Parse(script)) << script;
        // On the console the error's gist, where the script raised it, then the step's message.
        const std::string console = Printed();
        std::string gist = step ? std::string("Python error in ") + step + ": " + error : "";
        if (step != nullptr && gist.find("SyntaxError") == std::string::npos) gist += " (";
        EXPECT_EQ(console.find(gist), 0u) << console;
        EXPECT_EQ(console.substr(console.size() - strlen(printed)), printed) << console;
        std::string log = Log().substr(before);
        if (step == nullptr) continue;  // no Python error to tell
        EXPECT_NE(log.find(std::string("ERROR Python error in ") + step + ": "), log.npos) << log;
        EXPECT_NE(log.find(error), log.npos) << log;
    }
    // The tracebacks name the frames.
    EXPECT_NE(Log().find("config.py\", line 1, in <module>"), std::string::npos);
    EXPECT_NE(Log().find("in check"), std::string::npos);
    EXPECT_EQ(test_support::Lines(Log(), "config.py, line 2)").size(), 0u)
        << "the gist is not logged twice";
    EXPECT_FALSE(_config.ParseConfig(_dir / "NoProject", "config.json"));
    const std::string noScript = _dir / "NoProject/VX/TesterConfig";
    EXPECT_EQ(Printed(), "Neither " + noScript + "/config.py nor " + noScript +
                             "/config.pyc is a file\n" + import);
}

TEST_F(PyConfigTest, TheScriptRunsOncePerObjectAndEnsureParsedRetries) {
    std::string project = WriteScript("raise RuntimeError('not yet')\n");
    EXPECT_FALSE(_config.ParseConfig(project, "retry.json"));
    WriteScript("# changed\n" + Returning(WithProcesses("[{'name': name, 'sleep': 0}]")));
    EXPECT_EQ(&_config.EnsureParsed(), &_config) << "retried with the stored arguments";
    // Once parsed, neither call runs the script again.
    WriteScript("raise RuntimeError('must not run again')\n");
    EXPECT_TRUE(_config.ParseConfig(project, "second.json") && &_config.EnsureParsed() == &_config);
    EXPECT_EQ(Summary(), "1 3; retry.json|||||0");
    EXPECT_EQ(Printed(), "Python error in import config: RuntimeError: not yet (" + project +
                             "/VX/TesterConfig/config.py, line 1)\nCan't find file: config\n"
                             "Parse config.py success! slotNum=3\n");

    // A fresh object evaluates the changed script, in a fresh interpreter.
    EXPECT_FALSE(PyConfig().ParseConfig(project, "config.json"));
    EXPECT_NE(Log().find("RuntimeError: must not run again"), std::string::npos);
}

TEST_F(PyConfigTest, TheStationsOwnScriptRunsWhateverThePathAndTheCachesHold) {
    // An impostor first on the module path and imported at start-up; a first script plants it as
    // unchecked cached code of config.py and compiles the station's script as a lone config.pyc.
    const std::string impostor = Returning("{'modules': 66, 'slots': 66}");
    Write("elsewhere/config.py", impostor);
    Write("elsewhere/sitecustomize.py", "import config\n");
    Poco::Environment::set("PYTHONPATH", _dir / "elsewhere");
    const std::string station =
        "import sys, helper\n" + Returning(
                                     "{'modules': helper.ONE, 'slots': 1, 'processes': "
                                     "[{'name': sys.modules['config'].__file__, 'sleep': 0}]}");
    const std::string dir = _dir / kProject + "/VX/TesterConfig";
    Write(kProject + "/VX/TesterConfig/impostor.py", impostor);
    Write(kProject + "/VX/TesterConfig/station.py", station);
    Write(kProject + "/VX/TesterConfig/helper.py", "ONE = 1\n");
    EXPECT_TRUE(
        Parse("import importlib.util as u, py_compile as c, os\n"
              "d = os.path.dirname(__file__)\n"
              "c.compile(d + '/impostor.py', u.cache_from_source(__file__),\n"
              "          invalidation_mode=c.PycInvalidationMode.UNCHECKED_HASH)\n"
              "c.compile(d + '/station.py', d + '/compiled.pyc')\n" +
              Returning("{'modules': 0, 'slots': 0}")));

    EXPECT_TRUE(Parse(station));
    EXPECT_EQ(Summary(), "1 1; " + dir + "/config.py|||||0");
    // No bytecode written, neither of the script nor of the module it imports.
    auto cache = std::filesystem::directory_iterator(dir + "/__pycache__");
    EXPECT_EQ(std::distance(begin(cache), end(cache)), 1) << "only the planted file";

    std::filesystem::remove(dir + "/config.py");
    std::filesystem::rename(dir + "/compiled.pyc", dir + "/config.pyc");
    _config = PyConfig();
    EXPECT_TRUE(_config.ParseConfig(_dir / kProject, "config.json"));
    EXPECT_EQ(Summary(), "1 1; " + dir + "/config.pyc|||||0");
    Poco::Environment::set("PYTHONPATH", "");  // empty: as if unset
}
