#include "station_fixture.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace station_test {

namespace {

std::atomic<int> g_stationCount{0};

bool CanBind(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
}

std::string PythonText(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\\' || c == '\'') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string ExecutablePath(int pid) {
    char target[4096];
    ssize_t length =
        readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), target, sizeof(target) - 1);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

void CopyExecutable(const std::string& from, const std::string& to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    chmod(to.c_str(), 0755);
}

// Starts `argv` with its output on `outputFd` (or the test's own when -1), in a process
// group of its own and with default signal handling.
pid_t Spawn(const std::vector<std::string>& args, int outputFd) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

int FindFreePortRange(int count) {
    // Below the usual ephemeral range, one stretch per test process id.
    const int low = 20000, high = 32000;
    int base = low + (getpid() * 37 % (high - low - count));
    for (int attempt = 0; attempt < 200; ++attempt) {
        bool free = true;
        for (int p = base; p < base + count && free; ++p) free = CanBind(p);
        if (free) return base;
        base += count + 7;
        if (base + count >= high) base = low + attempt;
    }
    return -1;
}

bool IsListening(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
}

std::vector<int> ChildrenOf(int parent) {
    std::vector<int> children;
    DIR* proc = opendir("/proc");
    while (struct dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        std::string stat = ReadWhole(std::string("/proc/") + entry->d_name + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent) {
            children.push_back(atoi(entry->d_name));
        }
    }
    closedir(proc);
    return children;
}

bool ProcessExists(int pid) {
    return access(("/proc/" + std::to_string(pid)).c_str(), F_OK) == 0;
}

std::vector<LogRecord> ParseLogRecords(const std::string& text) {
    // A record begins at a line start with "YYYY-MM-DD HH:MM:SS,mmm [".
    auto isRecordStart = [&text](size_t at) {
        static const char shape[] = "dddd-dd-dd dd:dd:dd,ddd [";
        if (at + sizeof(shape) - 1 > text.size()) return false;
        for (size_t i = 0; i + 1 < sizeof(shape); ++i) {
            char c = text[at + i];
            if (shape[i] == 'd' ? (c < '0' || c > '9') : c != shape[i]) return false;
        }
        return true;
    };
    std::vector<size_t> starts;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        if (isRecordStart(at)) starts.push_back(at);
        if (text.find('\n', at) == std::string::npos) break;
    }
    std::vector<LogRecord> records;
    for (size_t i = 0; i < starts.size(); ++i) {
        size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        std::string whole = text.substr(starts[i], end - starts[i]);
        size_t threadEnd = whole.find("] [", 24);
        if (threadEnd == std::string::npos) continue;
        LogRecord record;
        record.level = whole.substr(threadEnd + 3, 5);
        while (!record.level.empty() && record.level.back() == ' ') record.level.pop_back();
        record.message = whole.substr(threadEnd + 3 + 5 + 2);
        if (!record.message.empty() && record.message.back() == '\n') record.message.pop_back();
        records.push_back(record);
    }
    return records;
}

Station::Station() {
    // Children the launcher leaves behind come to this process when it ends, so a test can
    // see them, zombies included.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // No "x" in the directory's name: output tests count that letter.
    _dir = "/tmp/lnch-" + std::to_string(getpid()) + "-" + std::to_string(g_stationCount++);
    std::filesystem::remove_all(_dir);
    std::filesystem::create_directories(_dir + "/Config");
    std::filesystem::create_directories(_dir + "/Proj/VX/TesterConfig");
    std::filesystem::create_directories(_dir + "/Proj/bin");
    CopyExecutable(VX_LAUNCHER_BIN, _dir + "/VXLauncher");
}

Station::~Station() {
    if (_pid > 0 && !_reaped) {
        kill(_pid, SIGKILL);
        waitpid(_pid, nullptr, 0);
    }
    if (_reader.joinable()) _reader.join();
    // Whatever still runs from this station, and zombies handed to this process.
    for (int pid : ChildrenOf(getpid())) {
        if (ExecutablePath(pid).rfind(_dir + "/", 0) == 0 || ExecutablePath(pid).empty()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(_dir, ignored);
}

void Station::WriteFile(const std::string& relativePath, const std::string& content) {
    std::string path = _dir + "/" + relativePath;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void Station::RemoveFile(const std::string& relativePath) {
    std::filesystem::remove_all(_dir + "/" + relativePath);
}

bool Station::FileExists(const std::string& relativePath) const {
    return access((_dir + "/" + relativePath).c_str(), F_OK) == 0;
}

std::string Station::ReadFile(const std::string& relativePath) const {
    return ReadWhole(_dir + "/" + relativePath);
}

std::string Station::LogText() const {
    // The daily-rolling log rolls on close: after the launcher has ended, its records sit in
    // log/Launcher.log.<date>. Each Launch starts without a log directory.
    std::vector<std::string> rolled;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(_dir + "/log", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("Launcher.log.", 0) == 0) rolled.push_back(name);
    }
    std::sort(rolled.begin(), rolled.end());
    std::string text;
    for (const std::string& name : rolled) text += ReadFile("log/" + name);
    return text + ReadFile("log/Launcher.log");
}

void Station::WriteLauncherXml() {
    WriteFile("Config/launcher.xml",
              "<?xml version=\"1.0\"?>\n<Config>\n  <ProjectDir>Proj</ProjectDir>\n"
              "  <ProjectFile>Proj.prj</ProjectFile>\n</Config>\n");
}

void Station::WriteProject(const std::string& checkMd5, const std::string& workPath,
                           const std::string& extra) {
    WriteFile("Proj/Proj.prj",
              "<Project>\n  <ProjectName>Proj</ProjectName>\n"
              "  <ProjectType>Test</ProjectType>\n  <ProjectWorkPath>" +
                  workPath + "</ProjectWorkPath>\n  <ZmqPortJson></ZmqPortJson>\n" +
                  "  <IsCheckMD5>" + checkMd5 + "</IsCheckMD5>\n" + extra + "</Project>\n");
}

void Station::WriteManifest(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string text = "md5\n";
    for (const auto& entry : entries) text += entry.first + "," + entry.second + ",\n";
    WriteFile("Config/md5.csv", text);
}

void Station::WriteConfigPy(int modules, int slots, const std::vector<ScriptEntry>& entries) {
    std::string text = "def get_configA(name):\n    return {'modules': " + std::to_string(modules) +
                       ", 'slots': " + std::to_string(slots) + ", 'processes': [\n";
    for (const ScriptEntry& e : entries) {
        text += "        {'name': " + PythonText(e.name) + ", 'execute': " + PythonText(e.execute) +
                ", 'path': " + PythonText(e.path) + ", 'bin': " + PythonText(e.bin) +
                ", 'args': " + PythonText(e.args) + ", 'sleep': " + std::to_string(e.sleep) +
                "},\n";
    }
    text += "    ]}\n";
    WriteFile("Proj/VX/TesterConfig/config.py", text);
}

void Station::WritePorts(int sequencer, int engine, int stateMachine) {
    std::string text = "{";
    auto add = [&text](const char* key, int port) {
        if (port < 0) return;  // left out of the file
        if (text.size() > 1) text += ", ";
        text += std::string("\"") + key + "\": " + std::to_string(port);
    };
    add("SEQUENCER_PORT", sequencer);
    add("TEST_ENGINE_PORT", engine);
    add("SM_PORT", stateMachine);
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
    std::string name = "tc" + std::to_string(getpid()) + suffix;
    CopyExecutable(VX_TEST_CHILD, ProjectDir() + "/bin/" + name);
    return name;
}

std::string Station::AddDemoProgram(const std::string& suffix) {
    std::string name = "ds" + std::to_string(getpid()) + suffix;
    CopyExecutable(VX_DEMO_STATION, ProjectDir() + "/bin/" + name);
    return name;
}

void Station::Launch() {
    if (_reader.joinable()) _reader.join();
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _output.clear();
        _outputClosed = false;
    }
    _reaped = false;
    // Each run is judged by its own log.
    RemoveFile("log");
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    _pid = Spawn({_dir + "/VXLauncher"}, fds[1]);
    close(fds[1]);
    _reader = std::thread(&Station::ReadConsole, this, fds[0]);
}

void Station::ReadConsole(int fd) {
    char buffer[4096];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        std::lock_guard<std::mutex> lock(_mutex);
        if (count <= 0) {
            _outputClosed = true;
            _changed.notify_all();
            break;
        }
        _output.append(buffer, static_cast<size_t>(count));
        _changed.notify_all();
    }
    close(fd);
}

void Station::Signal(int signalNumber) {
    if (_pid > 0 && !_reaped) kill(_pid, signalNumber);
}

bool Station::WaitForOutput(const std::string& text, int timeoutMs) {
    return WaitForCount(text, 1, timeoutMs);
}

bool Station::WaitForCount(const std::string& text, int count, int timeoutMs) {
    auto counted = [&]() {
        int found = 0;
        for (size_t at = _output.find(text); at != std::string::npos;
             at = _output.find(text, at + text.size())) {
            ++found;
        }
        return found >= count;
    };
    std::unique_lock<std::mutex> lock(_mutex);
    _changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&]() { return counted() || _outputClosed; });
    return counted();
}

std::string Station::Output() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _output;
}

ExitResult Station::WaitForExit(int timeoutMs) {
    ExitResult result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(_pid, SIGKILL);
            waitpid(_pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    _reaped = true;
    if (!result.timedOut) {
        result.exited = WIFEXITED(status);
        result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
        result.signaled = WIFSIGNALED(status);
        result.signal = result.signaled ? WTERMSIG(status) : 0;
    }
    if (_reader.joinable()) _reader.join();
    return result;
}

OwnChild::OwnChild(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    _pid = Spawn(argv, -1);
}

OwnChild::~OwnChild() {
    if (_pid > 0 && !_reaped) {
        kill(_pid, SIGKILL);
        waitpid(_pid, nullptr, 0);
    }
}

bool OwnChild::WaitKilled(int& signalNumber, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    _reaped = true;
    signalNumber = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFSIGNALED(status);
}

bool OwnChild::IsAlive() {
    if (_reaped) return false;
    int status = 0;
    if (waitpid(_pid, &status, WNOHANG) == _pid) {
        _reaped = true;
        return false;
    }
    return true;
}

}  // namespace station_test
