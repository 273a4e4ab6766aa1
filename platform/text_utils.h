#pragma once
// Small functions on narrow texts shared by every part. No state; no system calls apart from
// the conversions to and from wide text, which each backend supplies.
// Narrow texts are UTF-8 on Linux and code page 936 on Windows.

#include <cstdarg>
#include <string>
#include <vector>

#include "platform/printf_check.h"

// `path` with every backslash turned into a forward slash.
std::string ToForwardSlashes(std::string path);

// Pointer into `path` just behind its last "/" or "\", or `path` itself when it has neither.
const char* GetFileName(const char* path);

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

// printf-style formatting into a text of any length: never truncates. FormatArgs gives ""
// for a conversion the formatter cannot make at all.
std::string FormatString(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
std::string FormatArgs(const char* format, va_list args);
