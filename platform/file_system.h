#pragma once
// What the launcher asks of the file system: where it runs from, whether a path exists,
// the raw answers that file access turns into its typed errors, the one checked way of reading
// a station file, and the one safe way of creating a file that replaces another.

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

// The calling thread's last system error code.
int LastSystemError();

// What a path names once symbolic links are followed, and its size.
enum class FileKind { Missing, Regular, Directory, Other };  // Other: FIFO, device, socket
struct FileStatus {
    FileKind kind = FileKind::Missing;
    uint64_t size = 0;  // bytes, as the system reports them
};
// True with `status` set when the system answered (Missing when the path or a directory on
// the way is absent, `errorCode` then holds the system's code for that); false when it failed
// for another reason, `errorCode` holding the system's code.
bool QueryFileStatus(const std::string& path, FileStatus& status, int& errorCode);

// How reading a file ended.
enum class FileReadResult {
    Ok,
    NotFound,        // nothing there, or a directory on the way is missing
    NotRegularFile,  // a directory, FIFO, device or socket (after following links)
    TooLarge,        // more bytes than the reader's bound
    CannotOpen,      // the system refused to examine or open it; see the error code
    CannotRead,      // a read failed; see the error code
};
// A short text for a result other than Ok, to follow a file's name: "does not exist", "is not a
// regular file (a directory, FIFO or device)", "is larger than N bytes" (N = `maxSize`), "can
// not be opened", "can not be read".
std::string FileReadProblem(FileReadResult result, uint64_t maxSize);

constexpr uint64_t kNoFileSizeLimit = ~uint64_t(0);

// A regular file open for reading. Opening never waits and never opens anything else: the
// kind is checked before the open (so no device is opened at all), the open does not wait for
// a FIFO's writer, and the kind is checked again on the opened file (so a FIFO or device
// swapped in between is refused, not read).
class ReadOnlyFile {
  public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens the regular file at `path` when it holds at most `maxSize` bytes; `errorCode` is
    // the system's code for NotFound and CannotOpen. A file open before is closed first.
    FileReadResult Open(const std::string& path, uint64_t maxSize, int& errorCode);
    bool IsOpen() const { return _handle != kClosed; }
    // The size the open file had when it was opened.
    uint64_t Size() const { return _size; }
    // Reads up to `capacity` bytes: the count read, 0 at the end of the file, -1 on a failure
    // (`errorCode` set).
    long long Read(char* buffer, size_t capacity, int& errorCode);
    void Close();

  private:
    // The backend's part of Open: opens the existing file at `path` for reading without ever
    // waiting (a FIFO swapped in does not block) and says what the open file is. Ok with the
    // file open and `opened` set; NotFound or CannotOpen with `errorCode`, nothing open.
    FileReadResult OpenExisting(const std::string& path, FileStatus& opened, int& errorCode);

    static constexpr long long kClosed = -1;
    long long _handle = kClosed;  // the backend's handle of the open file
    uint64_t _size = 0;
};

// Reads the whole regular file at `path` into `content` when it holds at most `maxSize` bytes,
// also when it grew after being opened; memory in proportion to the file. `content` is left
// as it was unless the result is Ok.
FileReadResult ReadWholeFile(const std::string& path, uint64_t maxSize, std::string& content,
                             int& errorCode);

// Permissions and owner of a file, as the backend keeps them (POSIX: the mode's permission
// bits, owner and group). Only the backend reads the fields.
struct FileAccess {
    uint32_t permissions = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
};
// The access of the regular file at `path`; false when nothing, or no regular file, is there.
// With `followLink` false a symbolic link at `path` is not followed and gives false.
bool QueryRegularFileAccess(const std::string& path, bool followLink, FileAccess& access);

// A file created new for writing. Creation is exclusive and follows no link: it fails
// (AlreadyExists) when anything is at the path, even a link to nowhere, so that no planted
// link can redirect the write.
class NewFile {
  public:
    NewFile() = default;
    ~NewFile();  // closes; the file stays
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates the file with permissions no wider than `limit`'s and than owner read and write;
    // with no `limit`, as any new file of the process (POSIX: 0666 less the umask).
    bool Create(const std::string& path, const FileAccess* limit, int& errorCode);
    // Writes all `size` bytes.
    bool Write(const char* data, size_t size, int& errorCode);
    // Hands the open file to `access`'s owner and group as far as the process may; where it
    // may not, the file stays the process's own (that is no failure).
    void ApplyOwner(const FileAccess& access);
    // Gives the open file `access`'s permissions exactly.
    bool ApplyPermissions(const FileAccess& access, int& errorCode);
    bool Close(int& errorCode);

  private:
    static constexpr long long kClosed = -1;
    long long _handle = kClosed;
};

// Renames `from` to `to`, replacing a file (not a directory) at `to` in one step: readers see
// the old file or the new one. A link at `to` is replaced, not followed.
bool RenameFile(const std::string& from, const std::string& to, int& errorCode);

// Removes the directory entry at `path` (a link itself, never what it points to); true when
// nothing is there afterwards.
bool RemoveFileEntry(const std::string& path);
