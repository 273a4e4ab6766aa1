#pragma once
// Narrow path text to the standard library's path and back. std::filesystem reads a narrow
// text in the system's code page on Windows, not in the launcher's (936), so a narrow path never
// goes to it directly.

#include <filesystem>
#include <string>

std::filesystem::path ToFileSystemPath(const std::string& path);
// The path as narrow text with forward slashes.
std::string FromFileSystemPath(const std::filesystem::path& path);

// The path as a library that opens files by narrow name through the C runtime (the logging
// library) must be given it. Linux: unchanged. Windows: the runtime reads narrow names in the
// system's code page, so the path is handed over in that code page; where that cannot spell it,
// the longest existing part goes as its short (8.3) name, generated in ASCII. Nothing better
// exists when neither works (a file or directory still to be made whose name the system code
// page lacks: the name then goes in code page 936 and the file gets a garbled name).
std::string ToRuntimeFileName(const std::string& path);
