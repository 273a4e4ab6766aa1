#include "station_fixture.h"

namespace fs = std::filesystem;

namespace station_test {

namespace {

// A JSON string: the texts hold backslashes and quotes.
std::string JsonText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

const char* const kLauncherName = "VXLauncher" VX_EXE_SUFFIX;
int FindFreePortRange(int count) {
    int base = 20000 + OwnPid() * 37 % 10000;  // below the usual ephemeral range
    for (int attempt = 0; attempt < 200; ++attempt, base = 20000 + (base + count) % 10000) {
        int port = base;
        while (port < base + count && ListeningSocket(false, port).port != 0) ++port;
        if (port == base + count) return base;
    }
    return -1;
}

Station::Station(bool minimal, bool shipped) {
    WatchLeftovers();
    fs::create_directories(_root / "Proj/bin");
    fs::copy_file(shipped ? VX_SHIPPED_LAUNCHER_BIN : VX_LAUNCHER_BIN, Launcher());
    if (minimal) WriteMinimalStation();
}

Station::~Station() {
    EndWhatRunsFrom(Dir(), _pid);
}

void Station::WriteLauncherXml(const std::string& extra) {
    WriteFile("Config/launcher.xml",
              "<Config><ProjectDir>Proj</ProjectDir><ProjectFile>Proj.prj</ProjectFile>" + extra +
                  "</Config>");
}

void Station::WriteProject(const std::string& checkMd5, const std::string& workPath,
                           const std::string& extra) {
    WriteFile("Proj/Proj.prj", "<Project><ProjectName>Proj</ProjectName><ProjectWorkPath>" +
                                   workPath + "</ProjectWorkPath><IsCheckMD5>" + checkMd5 +
                                   "</IsCheckMD5>" + extra + "</Project>");
}

void Station::WriteManifest(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string text = "md5\n";
    for (const auto& [path, digest] : entries) text += path + "," + digest + ",\n";
    WriteFile("Config/md5.csv", text);
}

void Station::WriteConfigPy(int modules, int slots, const std::vector<ScriptProcess>& entries) {
    std::string text = "def get_configA(name):\n    return {'modules': " + std::to_string(modules) +
                       ", 'slots': " + std::to_string(slots) + ", 'processes': [\n";
    for (const ScriptProcess& e : entries)  // raw strings: the paths hold backslashes
        text += "        {'name': r'" + e.name + "', 'execute': r'" + e.execute + "', 'path': r'" +
                e.path + "', 'bin': r'" + e.bin + "', 'args': r'" + e.args +
                "', 'sleep': " + std::to_string(e.sleep) + "},\n";
    WriteFile("Proj/VX/TesterConfig/config.py", text + "    ]}\n");
    std::string json = "{\"modules\": " + std::to_string(modules) +
                       ", \"slots\": " + std::to_string(slots) + ", \"processes\": [";
    for (const ScriptProcess& e : entries)
        json += std::string(&e == entries.data() ? "" : ", ") + "{\"name\": " + JsonText(e.name) +
                ", \"execute\": " + JsonText(e.execute) + ", \"path\": " + JsonText(e.path) +
                ", \"bin\": " + JsonText(e.bin) + ", \"args\": " + JsonText(e.args) +
                ", \"sleep\": " + std::to_string(e.sleep) + "}";
    WriteFile("Proj/VX/TesterConfig/station.json", json + "]}\n");
}

void Station::WritePorts(int sequencer, int engine, int stateMachine) {
    const std::pair<const char*, int> ports[] = {
        {"SEQUENCER_PORT", sequencer}, {"TEST_ENGINE_PORT", engine}, {"SM_PORT", stateMachine}};
    std::string text = "{\"Station\": \"test\"";  // something for the ports to follow
    for (const auto& [key, port] : ports)
        if (port >= 0) text += std::string(", \"") + key + "\": " + std::to_string(port);
    WriteFile("Proj/VX/TesterConfig/zmqports.json", text + "}\n");
}

void Station::WriteMinimalStation() {
    WriteManifest();
    WriteLauncherXml();
    WriteProject();
    WriteConfigPy(1, 1, {});
    WritePorts(-1, -1, -1);
}

std::string Station::AddChildProgram(const std::string& suffix) {
    const std::string name = "tc" + std::to_string(OwnPid()) + suffix + VX_EXE_SUFFIX;
    fs::copy_file(VX_TEST_CHILD, _root / ("Proj/bin/" + name));
    return name;
}

void Station::Launch(bool freshLog) {
    if (freshLog) RemoveFile("log");
    WriteFile("console.txt", "");  // before a wait can read the last run's
    _pid = Spawn({Launcher()}, _root / "console.txt");
}

}  // namespace station_test
