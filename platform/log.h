#pragma once
// The one place through which the launcher writes its log and its console lines.
// Everything goes to the logger "Root"; LOG_PRINT also prints the text on standard output.
// All message functions are safe to call from any thread and report no failure.

#include <cstdarg>
#include <string>

#include "platform/printf_check.h"

// Sets up logging once: one appender on the file at `path` (directories created as needed),
// rolled daily, or at 10 MiB when `sizeRolling` is true. Call before any other message function.
void LOG_INIT(const std::string& path, bool sizeRolling);

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

// Formats once, writes the text at DEBUG, then prints it followed by "\n" in one write,
// so lines of different threads never mix within a line.
void LOG_PRINT(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
