#include "platform/log.h"

#include "platform/console_output.h"

#include <log4cplus/fileappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>
#include <log4cplus/tstring.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>

#include "platform/file_system_path.h"
#include "platform/text_utils.h"

namespace {

const log4cplus::tchar* const kLoggerName = LOG4CPLUS_TEXT("Root");
const log4cplus::tchar* const kPattern =
    LOG4CPLUS_TEXT("%D{%Y-%m-%d %H:%M:%S,%q} [%t] [%-5p] %m%n");
const long kRollingFileSize = 10485760;  // 10 MiB
const int kMaxBackupIndex = 10;

// The library's daily appender with its roll on close left off until RollOnClose: a run that
// ends before it starts the station leaves its records in the file for the next run, so that
// quick failed retries never push the log of a run that started the station out of the backups.
class DailyAppender : public log4cplus::DailyRollingFileAppender {
  public:
    explicit DailyAppender(const log4cplus::tstring& fileName)
        : DailyRollingFileAppender(fileName, log4cplus::DAILY, /*immediateFlush=*/true,
                                   kMaxBackupIndex, /*createDirs=*/true, /*rollOnClose=*/false,
                                   log4cplus::tstring()) {}
    void RollOnClose() {
        log4cplus::thread::MutexGuard guard(access_mutex);
        rollOnClose = true;
    }
};

// Looked up once: a lookup by name takes the library's hierarchy lock on every message. The
// handle is never destroyed, so a message during exit cannot meet a destroyed handle.
const log4cplus::Logger& RootLogger() {
    static const log4cplus::Logger* logger =
        new log4cplus::Logger(log4cplus::Logger::getInstance(kLoggerName));
    return *logger;
}

// Set by LOG_INIT_CONSOLE: records go to the console instead of a file.
std::atomic<bool> g_consoleOnly{false};

// Writes an already formatted text at `level`. The text is never used as a format again.
void WriteRecord(log4cplus::LogLevel level, const std::string& text, const char* file, int line,
                 const char* function) {
    if (g_consoleOnly) {
        const std::string line =
            (level >= log4cplus::ERROR_LOG_LEVEL ? "ERROR " : "DEBUG ") + text + "\n";
        ConsoleWrite(line.data(), line.size());
        return;
    }
    const log4cplus::Logger& logger = RootLogger();
    if (!logger.isEnabledFor(level)) return;
    // The identity in a narrow build, so the text reaches the layout without another copy;
    // a wide build widens it here.
    log4cplus::detail::macro_forced_log(logger, level, LOG4CPLUS_STRING_TO_TSTRING(text), file,
                                        line, function);
}

void WriteFormatted(log4cplus::LogLevel level, const char* name, const char* format, va_list args,
                    const char* function) {
    std::string text = FormatArgs(format, args);
    if (name != nullptr) text.insert(0, std::string("[") + name + "] ");
    WriteRecord(level, text, __FILE__, __LINE__, function);
}

}  // namespace

void LOG_INIT(const std::string& path, bool sizeRolling) {
    // The library is set up once per process; a second LOG_INIT only replaces the appender.
    static std::once_flag initialized;
    std::call_once(initialized, [] { log4cplus::initialize(); });

    // The library opens, creates and rolls its files by narrow name through the C runtime.
    log4cplus::tstring fileName = LOG4CPLUS_STRING_TO_TSTRING(ToRuntimeFileName(path));
    log4cplus::SharedAppenderPtr appender;
    if (sizeRolling) {
        appender = log4cplus::SharedAppenderPtr(new log4cplus::RollingFileAppender(
            fileName, kRollingFileSize, kMaxBackupIndex, /*immediateFlush=*/true,
            /*createDirs=*/true));
    } else {
        appender = log4cplus::SharedAppenderPtr(new DailyAppender(fileName));
    }
    appender->setName(kLoggerName);
    appender->setLayout(std::unique_ptr<log4cplus::Layout>(new log4cplus::PatternLayout(kPattern)));

    log4cplus::Logger logger = RootLogger();
    logger.removeAllAppenders();
    logger.addAppender(appender);
    logger.setLogLevel(log4cplus::DEBUG_LOG_LEVEL);
}

void LOG_ROLL_ON_CLOSE() {
    log4cplus::Logger logger = RootLogger();
    log4cplus::SharedAppenderPtr appender = logger.getAppender(kLoggerName);
    if (auto* daily = dynamic_cast<DailyAppender*>(appender.get())) daily->RollOnClose();
}

void LOG_INIT_CONSOLE() {
    g_consoleOnly = true;
}

void LOG_SHUTDOWN() {
    log4cplus::Logger::shutdown();
}

#define VX_DEFINE_LOG_FUNCTION(function, level)                       \
    void function(const char* format, ...) {                          \
        va_list args;                                                 \
        va_start(args, format);                                       \
        WriteFormatted(level, nullptr, format, args, #function);      \
        va_end(args);                                                 \
    }                                                                 \
    void function##_NAME(const char* name, const char* format, ...) { \
        va_list args;                                                 \
        va_start(args, format);                                       \
        WriteFormatted(level, name, format, args, #function "_NAME"); \
        va_end(args);                                                 \
    }

VX_DEFINE_LOG_FUNCTION(LOG_DEBUG, log4cplus::DEBUG_LOG_LEVEL)
VX_DEFINE_LOG_FUNCTION(LOG_INFO, log4cplus::INFO_LOG_LEVEL)
VX_DEFINE_LOG_FUNCTION(LOG_WARN, log4cplus::WARN_LOG_LEVEL)
VX_DEFINE_LOG_FUNCTION(LOG_ERROR, log4cplus::ERROR_LOG_LEVEL)
VX_DEFINE_LOG_FUNCTION(LOG_FATAL, log4cplus::FATAL_LOG_LEVEL)

void LOG_PRINT(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatArgs(format, args);
    va_end(args);
    // Only once on the console when records go there too.
    if (!g_consoleOnly)
        WriteRecord(log4cplus::DEBUG_LOG_LEVEL, text, __FILE__, __LINE__, "LOG_PRINT");
    // One piece for text and line end, so lines of different threads never interleave.
    text.push_back('\n');
    ConsoleWrite(text.data(), text.size());
}

void LOG_PRINT_ERROR(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatArgs(format, args);
    va_end(args);
    if (!g_consoleOnly) {
        WriteRecord(log4cplus::ERROR_LOG_LEVEL, text, __FILE__, __LINE__, "LOG_PRINT_ERROR");
    }
    text.push_back('\n');
    ConsoleWrite(text.data(), text.size());
}

namespace {

const long kProcessLogSize = 10485760;  // 10 MiB
const int kProcessLogBackups = 2;
const log4cplus::tchar* const kProcessLogPattern = LOG4CPLUS_TEXT("%D{%Y-%m-%d %H:%M:%S,%q} %m%n");

}  // namespace

struct ProcessLog::Sink {
    log4cplus::Logger logger;
};

ProcessLog::ProcessLog(const std::string& path) : _sink(new Sink) {
    // A logger of its own, named after the file, so that nothing else reaches the file and
    // its records never reach the launcher's log.
    log4cplus::tstring fileName = LOG4CPLUS_STRING_TO_TSTRING(ToRuntimeFileName(path));
    _sink->logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("ProcessOutput:") + fileName);
    log4cplus::SharedAppenderPtr appender(new log4cplus::RollingFileAppender(
        fileName, kProcessLogSize, kProcessLogBackups, /*immediateFlush=*/true,
        /*createDirs=*/true));
    appender->setLayout(
        std::unique_ptr<log4cplus::Layout>(new log4cplus::PatternLayout(kProcessLogPattern)));
    _sink->logger.setAdditivity(false);
    _sink->logger.removeAllAppenders();
    _sink->logger.addAppender(appender);
    _sink->logger.setLogLevel(log4cplus::DEBUG_LOG_LEVEL);
}

ProcessLog::~ProcessLog() {
    _sink->logger.removeAllAppenders();  // closes the file
}

void ProcessLog::Write(const std::string& text) {
    log4cplus::detail::macro_forced_log(_sink->logger, log4cplus::DEBUG_LOG_LEVEL,
                                        LOG4CPLUS_STRING_TO_TSTRING(text), __FILE__, __LINE__,
                                        "ProcessLog::Write");
}
