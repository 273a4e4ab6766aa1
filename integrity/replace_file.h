#pragma once
// Writing a whole file so that readers see either its old content or the new one, never a
// part: the bytes go to a temporary file beside it, which then takes its name.

#include <string>

// Replaces (or creates) the file at `path` with `content`, written in binary mode. False
// with a reason naming `path` in `error` when it cannot be written; the file at `path` is
// then as it was and no temporary file is left behind.
bool ReplaceFileContent(const std::string& path, const std::string& content, std::string& error);
