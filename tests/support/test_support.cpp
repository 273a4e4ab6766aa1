#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "platform/console_output.h"

namespace fs = std::filesystem;

namespace test_support {

static std::string CreateTempDir() {
    static std::mt19937_64 random{std::random_device{}()};
    for (;;) {  // a name that another test process took already is drawn again
        const fs::path path = fs::temp_directory_path() / ("vtest-" + std::to_string(random()));
        if (fs::create_directory(path)) return path.generic_string();
    }
}

TempDir::TempDir() : path(CreateTempDir()) {}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

bool Eventually(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text, const std::string& part) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(part) != std::string::npos) lines.push_back(line);
    return lines;
}

std::string ReadLogText(const std::string& path) {
    // The daily log rolls over to <name>.<date>, then .<date>.1 and on, when it is closed.
    const fs::path log(path);
    std::set<std::string> rolled;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(log.parent_path(), error))
        if (entry.path().filename().string().rfind(log.filename().string() + ".", 0) == 0)
            rolled.insert(entry.path().generic_string());
    std::string text;
    for (const std::string& file : rolled) text += ReadFile(file);
    return text + ReadFile(path);
}

std::vector<LogRecord> ReadLogRecords(const std::string& path) {
    std::vector<LogRecord> records;
    for (std::string line : Lines(ReadLogText(path))) {
        // Windows' log ends its lines with CR LF.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "YYYY-MM-DD HH:MM:SS,mmm [thread] [LEVEL] message" begins a record; a line that
        // does not continues the last one's message.
        const size_t level = line.find("] [");
        if (line.size() > 25 && isdigit(static_cast<unsigned char>(line[0])) && line[4] == '-' &&
            line[19] == ',' && line.compare(23, 2, " [") == 0 && level != std::string::npos &&
            level + 10 <= line.size()) {
            std::string name = line.substr(level + 3, 5);
            records.emplace_back(name.erase(name.find_last_not_of(' ') + 1),
                                 line.substr(level + 10));
        } else if (!records.empty()) {
            records.back().second += "\n" + line;
        }
    }
    return records;
}

// Google Test's own capture, which knows each system's descriptors.
void StdoutCapture::Start() {
    if (!_capturing) testing::internal::CaptureStdout();
    _capturing = true;
}

std::string StdoutCapture::Take() {
    if (!_capturing) return "";
    ConsoleFlush(5000);  // the launcher's console is written by a thread of its own
    _capturing = false;
    return testing::internal::GetCapturedStdout();
}

}  // namespace test_support
