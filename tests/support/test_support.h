#pragma once
// What the tests need on any system: temporary directory, files, waiting, log records, stdout.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// A fresh temporary directory, removed with its contents; no "x" in its name (tests count x's).
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& relative) const { return path + "/" + relative; }

    const std::string path;  // with forward slashes
};

// Writes `bytes` to `path` whole, creating the directories on the way.
void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes; "" for what cannot be read, a directory too.
std::string ReadFile(const std::string& path);

// Asks `condition` every millisecond until it holds or `timeoutMs` have passed.
bool Eventually(const std::function<bool()>& condition, int timeoutMs = 10000);

// The lines of `text` (without line ends) that contain `part`.
std::vector<std::string> Lines(const std::string& text, const std::string& part = "");

// The log file at `path` after the files that closing it rolled over from it.
std::string ReadLogText(const std::string& path);
// Its records as {level, message}: a message may hold line ends, never the record's last one.
using LogRecord = std::pair<std::string, std::string>;
std::vector<LogRecord> ReadLogRecords(const std::string& path);

// What this process writes on standard output from construction, or Start, to Take. Only one
// captures at a time, and a test's failure messages are captured with the rest: take early.
class StdoutCapture {
  public:
    StdoutCapture() { Start(); }
    ~StdoutCapture() { Take(); }
    void Start();
    std::string Take();

  private:
    bool _capturing = false;
};

}  // namespace test_support
