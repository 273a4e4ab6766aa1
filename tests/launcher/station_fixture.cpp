#include "station_fixture.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

namespace fs = std::filesystem;

namespace station_test {

int FindFreePortRange(int count) {
    auto canBind = [](int port) {  // to 127.0.0.1:port
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{
            AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
        const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        close(fd);
        return ok;
    };
    int base = 20000 + getpid() * 37 % 10000;  // below the usual ephemeral range
    for (int attempt = 0; attempt < 200; ++attempt, base = 20000 + (base + count) % 10000) {
        int port = base;
        while (port < base + count && canBind(port)) ++port;
        if (port == base + count) return base;
    }
    return -1;
}

std::vector<int> ChildrenOf(int parent) {
    std::vector<int> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        const std::string stat = isdigit(pid[0]) ? ReadFile("/proc/" + pid + "/stat") : "";
        int ppid = 0;  // the fourth field, behind the name in parentheses
        if (stat.rfind(')') != std::string::npos &&
            sscanf(stat.c_str() + stat.rfind(')') + 1, " %*c %d", &ppid) == 1 && ppid == parent)
            children.push_back(std::stoi(pid));
    }
    return children;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& output,
            const std::function<void()>& inChild) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // A group of its own, as under a console of its own; none of the test's signal handling.
    setpgid(0, 0);
    sigset_t none{};  // all clear: nothing blocked
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(out, 1);
    dup2(out, 2);
    if (inChild) inChild();
    execv(argv[0], argv.data());
    _exit(127);
}

std::string WaitEnd(pid_t pid, int timeoutMs) {
    int status = 0;
    if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs))
        return "running";
    return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

Station::Station(bool minimal) {
    // What the launcher leaves behind comes to this process, zombies included, for a test to see.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    fs::create_directories(_root / "Proj/bin");
    fs::copy_file(VX_LAUNCHER_BIN, _root / "VXLauncher");
    if (minimal) WriteMinimalStation();
}

Station::~Station() {
    if (_pid > 0) kill(_pid, SIGKILL);
    if (_pid > 0) waitpid(_pid, nullptr, 0);
    std::error_code error;
    for (int pid : ChildrenOf(getpid())) {
        const std::string proc = "/proc/" + std::to_string(pid);
        const std::string exe = fs::read_symlink(proc + "/exe", error);
        // Programs of D, and interpreters working in D; a zombie has no executable.
        const std::string cwd = fs::read_symlink(proc + "/cwd", error);
        if (exe.empty() || exe.rfind(Dir() + "/", 0) == 0 || cwd.rfind(Dir() + "/", 0) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
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
    const std::string name = "tc" + std::to_string(getpid()) + suffix;
    fs::copy_file(VX_TEST_CHILD, _root / ("Proj/bin/" + name));
    return name;
}

void Station::Launch(bool freshLog) {
    if (freshLog) RemoveFile("log");
    WriteFile("console.txt", "");  // before a wait can read the last run's
    _pid = Spawn({_root / "VXLauncher"}, _root / "console.txt");
}

}  // namespace station_test
