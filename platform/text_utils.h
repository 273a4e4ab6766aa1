#pragma once
// Small functions on narrow texts shared by every part. No state; no system calls apart from
// the conversions to and from wide text, which each backend supplies.
// Narrow texts are UTF-8 on Linux and code page 936 on Windows.

#include <cstdarg>
#include <string>
#include <vector>

#include "platform/printf_check.h"

// Bytes of the narrow character that begins at `text`: 2 for a double-byte character of code
// page 936 (Windows), else 1 (a single byte, the terminator, a lead byte before the end). Every
// scan for "\\" steps by it: in code page 936 the second byte of 116 double-byte characters is
// 0x5C. UTF-8 never has an ASCII byte inside a character, so on Linux it is always 1.
size_t NarrowCharLength(const char* text);

// `path` with every backslash turned into a forward slash.
std::string ToForwardSlashes(std::string path);

// Pointer into `path` just behind its last "/" or "\", or `path` itself when it has neither.
const char* GetFileName(const char* path);

// True when `path` ends in "/" or "\" (a character, not the second byte of one).
bool EndsWithSeparator(const std::string& path);

// Appends to `pieces` the parts of `text` between occurrences of `separator` (non-empty).
// A leading separator gives an empty first piece; a trailing one gives no empty last piece.
void SplitString(const std::string& text, const std::string& separator,
                 std::vector<std::string>& pieces);

// Replaces the first (or, with `all`, every) occurrence of `pattern` (non-empty) in `text`;
// inserted text is never searched again. Returns the number of replacements.
int ReplaceString(std::string& text, const std::string& pattern, const std::string& replacement,
                  bool all);

// Removes from `text` every character among the first `count` characters of `set`;
// does nothing when `set` is null.
void RemoveChars(std::string& text, const char* set, size_t count);

// Narrow text to wide text and back (Linux: UTF-8; Windows: code page 936, whatever the
// system's own code page). Never touches the process-wide locale; safe on any thread.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

// What a "\n" becomes in a file written in text mode, as the log is: "\n" on Linux, "\r\n"
// on Windows.
extern const char kTextLineEnd[];

// Narrow text to UTF-8 and back, for libraries that take UTF-8 file names (Poco on Windows).
// Linux: the bytes unchanged; Windows: through wide text.
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);

// printf-style formatting into a text of any length: never truncates. FormatArgs gives ""
// for a conversion the formatter cannot make at all.
std::string FormatString(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
std::string FormatArgs(const char* format, va_list args);
