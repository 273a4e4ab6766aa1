#pragma once
// The one place through which the launcher writes its log and its console lines.
// Everything goes to the logger "Root"; LOG_PRINT also prints the text on standard output.
// All message functions are safe to call from any thread and report no failure.

#include <cstdarg>
#include <memory>
#include <string>

#include "platform/printf_check.h"

// Sets up logging once: one appender on the file at `path` (directories created as needed),
// rolled daily, or at 10 MiB when `sizeRolling` is true. Call before any other message function.
// A daily file is continued where an earlier run left it, and is not rolled when closed unless
// LOG_ROLL_ON_CLOSE was called.
void LOG_INIT(const std::string& path, bool sizeRolling);

// From now on, closing the log (LOG_SHUTDOWN, or the end of the process) rolls the daily file
// over to a backup. Call once the run is worth keeping apart: quick failed runs then never push
// a good run's log out of the ten backups. No effect on a size-rolled log.
void LOG_ROLL_ON_CLOSE();

// Instead of LOG_INIT, for a run that must leave no file behind: every record goes to the
// console as "DEBUG <text>" or "ERROR <text>", and LOG_PRINT's text once.
void LOG_INIT_CONSOLE();

// Flushes and closes every appender.
void LOG_SHUTDOWN();

// Write one record at the function's level. The format is printf-style.
void LOG_DEBUG(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
void LOG_INFO(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
void LOG_WARN(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
void LOG_ERROR(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
void LOG_FATAL(const char* format, ...) VX_PRINTF_FORMAT(1, 2);

// As above, with the record prefixed by "[name] ".
void LOG_DEBUG_NAME(const char* name, const char* format, ...) VX_PRINTF_FORMAT(2, 3);
void LOG_INFO_NAME(const char* name, const char* format, ...) VX_PRINTF_FORMAT(2, 3);
void LOG_WARN_NAME(const char* name, const char* format, ...) VX_PRINTF_FORMAT(2, 3);
void LOG_ERROR_NAME(const char* name, const char* format, ...) VX_PRINTF_FORMAT(2, 3);
void LOG_FATAL_NAME(const char* name, const char* format, ...) VX_PRINTF_FORMAT(2, 3);

// Formats once, writes the text at DEBUG, then queues it for the console followed by "\n"
// as one piece (platform/console_output.h),
// so lines of different threads never mix within a line.
void LOG_PRINT(const char* format, ...) VX_PRINTF_FORMAT(1, 2);

// Writes one record at ERROR and queues the same text for the console, followed by "\n": for
// what the operator must see and the log must keep, with no second record.
void LOG_PRINT_ERROR(const char* format, ...) VX_PRINTF_FORMAT(1, 2);

// The output of one child in a file of its own beside the launcher's log: each piece one
// record behind its time stamp. Rolled at 10 MiB with 2 backups, so one process takes at most
// about 30 MiB. Directories are made as needed; a file that cannot be written costs only that
// file (the logging library says so on standard error). Safe to write from any thread; the
// object must outlive every Write.
class ProcessLog {
  public:
    explicit ProcessLog(const std::string& path);
    ~ProcessLog();
    ProcessLog(const ProcessLog&) = delete;
    ProcessLog& operator=(const ProcessLog&) = delete;

    void Write(const std::string& text);

  private:
    struct Sink;
    std::unique_ptr<Sink> _sink;
};
