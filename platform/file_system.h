#pragma once
// What the launcher asks of the file system: where it runs from, whether a path exists,
// and the raw answers that file access turns into its typed errors.

#include <cstdint>
#include <string>

// Directory of the running executable: forward slashes, no trailing separator.
std::string GetExeDir();

// The directory part of an executable's full path `exePath`: backslashes turned into forward
// slashes, the last separator and the file name removed. A file directly in the root gives ""
// (so that dir + "/name" still names it); a path without separator is returned whole.
std::string ExeDirFromPath(const std::string& exePath);

// True when a file or directory exists at `path`.
bool PathExists(const std::string& path);

// What kind of failure an operating-system error code stands for. The mapping from the
// system's codes lives in one place, beside each backend.
enum class FileErrorKind {
    NotFound,  // the file or a directory on the way is missing
    AccessDenied,
    BadPathSyntax,  // name too long, too many links, invalid name
    ReadOnly,
    AlreadyExists,
    DirectoryNotEmpty,
    DiskFull,
    ReadFault,
    Other,
};
FileErrorKind ClassifyFileError(int code);

// The calling thread's last system error code, and its text.
int LastSystemError();
std::string SystemErrorText(int code);

// Status of `path`: true with `isPresent` set when the system answered (present or absent);
// false when it failed for another reason, `errorCode` then holds the system's code.
bool QueryPathPresence(const std::string& path, bool& isPresent, int& errorCode);

// Size in bytes of the file at `path`; false with `errorCode` when it cannot be examined.
bool QueryFileSize(const std::string& path, uint64_t& size, int& errorCode);
