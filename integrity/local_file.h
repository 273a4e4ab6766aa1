#pragma once
// A file named by its path: whether it exists, its size, and its whole content in memory.
// Failures other than absence raise the typed file errors of integrity/exceptions.h.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "integrity/exceptions.h"
#include "platform/file_system.h"

class LocalFile {
  public:
    // Copies `path`; a trailing "/" or "\" is dropped when the path is longer than one
    // character, except for a drive root such as "D:\" or "D:/" (three characters, ":" second).
    explicit LocalFile(const std::string& path);

    const std::string& Path() const { return _path; }

    // True when a file or directory is at the path; false when it or a directory on the way is
    // missing. Any other failure raises through HandleLastError.
    bool Exists() const;

    // The file's size in bytes, low 32 bits. Raises through HandleLastError when the file
    // cannot be examined.
    uint32_t GetSize() const;

    // Reads the whole file (ReadWholeFile of platform/file_system.h: only a regular file, never
    // waiting on a FIFO, at most `maxSize` bytes). True with `buffer` owning exactly `size`
    // bytes. False, with "Open file Error.\n" printed on standard output when it cannot be
    // opened, or "Error form reading file.\n" when it cannot be read, is no regular file or is
    // larger than `maxSize`; `buffer` is then empty (and `size` all bits set after the second
    // message). Raises when the file cannot be examined.
    bool ReadAll(std::unique_ptr<char[]>& buffer, size_t& size,
                 uint64_t maxSize = kNoFileSizeLimit) const;
    // As ReadAll, the bytes as a text (untouched on false).
    bool ReadAllText(std::string& text, uint64_t maxSize = kNoFileSizeLimit) const;

    // Raises the file error matching the calling thread's last system error, with `path` as
    // the message (or as the argument of a fixed text) and the system's code as the code.
    // Call it right after the failing call, on the same thread.
    [[noreturn]] static void HandleLastError(const std::string& path);

    // As HandleLastError, for a system error code already in hand.
    [[noreturn]] static void RaiseFileError(int code, const std::string& path);

  private:
    uint64_t QuerySize() const;
    FileReadResult Read(std::string& text, uint64_t maxSize) const;

    std::string _path;
};
