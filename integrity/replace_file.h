#pragma once
// Writing a whole file so that readers see either its old content or the new one, never a
// part: the bytes go to a temporary file beside it, which then takes its name.
#include <string>

// The temporary file's name is the target's with this appended.
extern const char* const kReplaceTemporarySuffix;  // ".vxtmp"

// Replaces (or creates) the file at `path` with `content`, written in binary mode. False
// with a reason naming `path` in `error` when it cannot be written; the file at `path` is
// then as it was and no temporary file is left behind.
//
// The temporary file "<path>.vxtmp" is created new and exclusively: whatever is at that name
// (a file left by a crash, or a link planted there) is removed first, never followed, so the
// write can land nowhere else. While it is written it is readable by its owner at most.
//
// Permissions: a regular file at `path` keeps its permissions, and its owner and group where
// the process may hand the file over (a link at `path` is replaced, and what it pointed to is
// left alone). A new file gets the permissions of `permissionsFrom` when that names a regular
// file (links followed), else those of any new file of the process. Other hard links to an
// old file at `path` keep the old content: a rename gives the name a new file.
bool ReplaceFileContent(const std::string& path, const std::string& content, std::string& error,
                        const std::string& permissionsFrom = std::string());
