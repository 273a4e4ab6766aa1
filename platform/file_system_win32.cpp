#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file_system.h"
#include "platform/file_system_path.h"
#include "platform/text_utils.h"

// Paths arrive as narrow text (code page 936) and go to the wide calls, so that a path the
// system's own code page cannot spell still works. Paths are passed as they are, without the
// "\\?\" prefix: that prefix would switch off the forward-slash and ".." handling the paths
// built from GetExeDir rely on, so a path is limited to MAX_PATH characters.

std::string GetExeDir() {
    // The answer is cut to the buffer without saying so except by filling it: grow until it
    // is shorter.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    return ExeDirFromPath(WideToAnsi(std::wstring(buffer.data(), length)));
}

FileErrorKind ClassifyFileError(int code) {
    switch (static_cast<DWORD>(code)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_DIRECTORY:  // a file where the path needs a directory, as ENOTDIR
            return FileErrorKind::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
        // Another process has the file open in a way that excludes this use of it: no POSIX
        // counterpart, and to the operator the file is as out of reach as a denied one.
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileErrorKind::AccessDenied;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:        // a file name too long
        case ERROR_CANT_RESOLVE_FILENAME:  // too many links, as ELOOP
            return FileErrorKind::BadPathSyntax;
        case ERROR_WRITE_PROTECT:
            return FileErrorKind::ReadOnly;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileErrorKind::AlreadyExists;
        case ERROR_DIR_NOT_EMPTY:
            return FileErrorKind::DirectoryNotEmpty;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileErrorKind::DiskFull;
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_CRC:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_IO_DEVICE:
            return FileErrorKind::ReadFault;
        default:
            return FileErrorKind::Other;
    }
}

int LastSystemError() {
    return static_cast<int>(GetLastError());
}

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The attributes that a file's owner sets and that a copy of it should keep. What else
// guards a file on Windows, its access control list, is not carried: a new file takes the
// entries its directory hands down, as the file it replaces did when it was made.
const DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool IsAbsence(DWORD code) {
    return ClassifyFileError(static_cast<int>(code)) == FileErrorKind::NotFound;
}

HANDLE ToHandle(long long handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

long long FromHandle(HANDLE handle) {
    return static_cast<long long>(reinterpret_cast<intptr_t>(handle));
}

// The closed value of ReadOnlyFile and NewFile (-1) is INVALID_HANDLE_VALUE, so a failed
// open stored as it is reads as closed.
void CloseStored(long long& handle) {
    HANDLE open = ToHandle(handle);
    if (open != INVALID_HANDLE_VALUE && open != nullptr) CloseHandle(open);
    handle = FromHandle(INVALID_HANDLE_VALUE);
}

// True when the system takes `path` to name a device rather than a file: reserved names such
// as CON, NUL or COM1 in any directory, and "\\.\" paths (pipes, volumes, ports). Decided on
// the text alone, so that nothing is opened to find out.
bool NamesDevice(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return false;
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (size == 0 || size >= full.size()) return false;
    full.resize(size);
    return full.compare(0, 4, L"\\\\.\\") == 0;
}

struct EntryInfo {
    FileKind kind = FileKind::Missing;
    DWORD attributes = 0;
    uint64_t size = 0;
};

bool KindFromHandle(HANDLE handle, EntryInfo& info, DWORD& error) {
    BY_HANDLE_FILE_INFORMATION data;
    if (!GetFileInformationByHandle(handle, &data)) {
        error = GetLastError();
        return false;
    }
    info.attributes = data.dwFileAttributes;
    info.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        info.kind = FileKind::Directory;
    else if (GetFileType(handle) == FILE_TYPE_DISK)
        info.kind = FileKind::Regular;
    else
        info.kind = FileKind::Other;
    return true;
}

// True when a name in `path` is longer than any Windows file system allows (255 UTF-16 units).
// The file systems refuse such a name as invalid, Wine 8 answers "not found": the answer is made
// here, so that it is a bad path on every system, as ENAMETOOLONG is on POSIX.
bool HasOverlongName(const std::wstring& path) {
    const size_t kMaxName = 255;
    size_t length = 0;
    for (wchar_t c : path) {
        length = (c == L'/' || c == L'\\') ? 0 : length + 1;
        if (length > kMaxName) return true;
    }
    return false;
}

// What is at `path`, following a link when `followLink` says so. True when the system
// answered (Missing with `error` set when nothing is there); false with `error` otherwise.
// Without a link nothing is opened: the attributes answer. A link (any reparse point) is
// followed by opening it for its attributes only, since what it leads to is known only then.
bool Examine(const std::wstring& path, bool followLink, EntryInfo& info, DWORD& error) {
    info = EntryInfo();
    if (HasOverlongName(path)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    if (NamesDevice(path)) {
        info.kind = FileKind::Other;
        return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        error = GetLastError();
        return IsAbsence(error);
    }
    info.attributes = data.dwFileAttributes;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || !followLink) {
        info.kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Directory
                                                                       : FileKind::Regular;
        info.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        return true;
    }
    // Backup semantics: a link to a directory opens too.
    OwnedHandle target(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (target.get() == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return IsAbsence(error);  // a link to nowhere
    }
    return KindFromHandle(target.get(), info, error);
}

// Opens the entry at `path` itself (a link, not what it leads to) to change its attributes.
OwnedHandle OpenEntryAttributes(const std::wstring& path) {
    HANDLE handle =
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return OwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

bool SetAttributes(HANDLE handle, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // times of zero are left as they are
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic)) != 0;
}

// Runs `change` (a rename or a removal that failed with ERROR_ACCESS_DENIED) once more with
// the read-only attribute of the file at `path` cleared. On Windows that attribute also
// forbids deleting the file and replacing it by a rename, which its POSIX counterpart (a mode
// without write permission) does not: a read-only file kept from a model must stay
// replaceable, and a read-only leftover removable. The attribute comes back when the change
// fails again. Directories are left alone.
template <typename Change>
bool RetryWithoutReadOnly(const std::wstring& path, Change change) {
    DWORD attributes = 0;
    {
        OwnedHandle entry = OpenEntryAttributes(path);
        BY_HANDLE_FILE_INFORMATION data;
        if (!entry || !GetFileInformationByHandle(entry.get(), &data)) return false;
        attributes = data.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return false;
        if (!SetAttributes(entry.get(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) return false;
    }  // closed: an open handle would itself stand in the way of the change
    if (change()) return true;
    const DWORD error = GetLastError();
    OwnedHandle entry = OpenEntryAttributes(path);
    if (entry) SetAttributes(entry.get(), attributes);
    SetLastError(error);
    return false;
}

}  // namespace

bool PathExists(const std::string& path) {
    EntryInfo info;
    DWORD error = 0;
    return Examine(AnsiToWide(path), true, info, error) && info.kind != FileKind::Missing;
}

bool QueryFileStatus(const std::string& path, FileStatus& status, int& errorCode) {
    EntryInfo info;
    DWORD error = 0;
    if (!Examine(AnsiToWide(path), true, info, error)) {
        errorCode = static_cast<int>(error);
        return false;
    }
    if (info.kind == FileKind::Missing) errorCode = static_cast<int>(error);
    status.kind = info.kind;
    status.size = info.size;
    return true;
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

FileReadResult ReadOnlyFile::OpenExisting(const std::string& path, FileStatus& opened,
                                          int& errorCode) {
    // Others may go on writing, renaming or deleting the file, as on POSIX, where nothing
    // locks it. A pipe opened by name does not wait for its server, and whatever was swapped
    // in after the test is refused by the second look at the open handle.
    HANDLE handle = CreateFileW(AnsiToWide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errorCode = static_cast<int>(error);
        return IsAbsence(error) ? FileReadResult::NotFound : FileReadResult::CannotOpen;
    }
    OwnedHandle owned(handle);
    EntryInfo info;
    DWORD error = 0;
    if (!KindFromHandle(handle, info, error)) {
        errorCode = static_cast<int>(error);
        return FileReadResult::CannotOpen;
    }
    _handle = FromHandle(owned.release());
    opened.kind = info.kind;
    opened.size = info.size;
    return FileReadResult::Ok;
}

long long ReadOnlyFile::Read(char* buffer, size_t capacity, int& errorCode) {
    if (!IsOpen()) {
        errorCode = ERROR_INVALID_HANDLE;
        return -1;
    }
    // ReadFile counts in 32 bits.
    const DWORD wanted = static_cast<DWORD>(capacity < (1u << 30) ? capacity : (1u << 30));
    DWORD count = 0;
    if (!ReadFile(ToHandle(_handle), buffer, wanted, &count, nullptr)) {
        errorCode = static_cast<int>(GetLastError());
        return -1;
    }
    return count;
}

void ReadOnlyFile::Close() {
    CloseStored(_handle);
    _size = 0;
}

// Windows keeps no owner or group a launcher could hand on (a file belongs to the account
// that creates it; giving it away takes a privilege the launcher has no business holding):
// only the kept attributes are carried.
bool QueryRegularFileAccess(const std::string& path, bool followLink, FileAccess& access) {
    EntryInfo info;
    DWORD error = 0;
    if (!Examine(AnsiToWide(path), followLink, info, error)) return false;
    if (info.kind != FileKind::Regular) return false;
    // Not followed, a link (any reparse point) is no regular file.
    if (!followLink && (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
    access.permissions = info.attributes & kKeptAttributes;
    access.owner = 0;
    access.group = 0;
    return true;
}

NewFile::~NewFile() {
    CloseStored(_handle);
}

bool NewFile::Create(const std::string& path, const FileAccess* limit, int& errorCode) {
    CloseStored(_handle);
    // CREATE_NEW fails on anything at the path; FILE_FLAG_OPEN_REPARSE_POINT makes a link
    // there count as the thing at the path, so that even a link to nowhere is not followed
    // and created through. The access the new file grants is its directory's to hand down
    // (see kKeptAttributes), so `limit` changes nothing at the creation; no sharing keeps
    // every other process out of the file for as long as it is open here.
    HANDLE handle = CreateFileW(AnsiToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errorCode = static_cast<int>(GetLastError());
        return false;
    }
    _handle = FromHandle(handle);
    return true;
}

bool NewFile::Write(const char* data, size_t size, int& errorCode) {
    while (size > 0) {
        const DWORD wanted = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        DWORD count = 0;
        if (!WriteFile(ToHandle(_handle), data, wanted, &count, nullptr)) {
            errorCode = static_cast<int>(GetLastError());
            return false;
        }
        data += count;
        size -= count;
    }
    return true;
}

void NewFile::ApplyOwner(const FileAccess& access) {
    // Nothing to hand on (see QueryRegularFileAccess): the file stays the process's own.
}

bool NewFile::ApplyPermissions(const FileAccess& access, int& errorCode) {
    // Read-only applies to later opens; this handle may still write.
    if (!SetAttributes(ToHandle(_handle), access.permissions & kKeptAttributes)) {
        errorCode = static_cast<int>(GetLastError());
        return false;
    }
    return true;
}

bool NewFile::Close(int& errorCode) {
    if (_handle == kClosed) {
        errorCode = ERROR_INVALID_HANDLE;
        return false;
    }
    HANDLE handle = ToHandle(_handle);
    _handle = FromHandle(INVALID_HANDLE_VALUE);
    if (!CloseHandle(handle)) {
        errorCode = static_cast<int>(GetLastError());
        return false;
    }
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, int& errorCode) {
    const std::wstring source = AnsiToWide(from), target = AnsiToWide(to);
    // Replaces the entry at `to`, a link too, in one step; never a directory.
    auto rename = [&] {
        return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    };
    if (rename()) return true;
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && RetryWithoutReadOnly(target, rename)) return true;
    errorCode = static_cast<int>(error);
    return false;
}

bool RemoveFileEntry(const std::string& path) {
    const std::wstring entry = AnsiToWide(path);
    if (DeleteFileW(entry.c_str())) return true;
    const DWORD error = GetLastError();
    if (IsAbsence(error)) return true;
    if (error != ERROR_ACCESS_DENIED) return false;
    // A link to a directory is removed as a directory, which takes the link only.
    const DWORD attributes = GetFileAttributesW(entry.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveDirectoryW(entry.c_str()) != 0;
    return RetryWithoutReadOnly(entry, [&] { return DeleteFileW(entry.c_str()) != 0; });
}

// std::filesystem would read a narrow text in the system's code page (CP_ACP): the path is
// built from the wide text instead.
std::filesystem::path ToFileSystemPath(const std::string& path) {
    return std::filesystem::path(AnsiToWide(path));
}

std::string FromFileSystemPath(const std::filesystem::path& path) {
    return WideToAnsi(path.generic_wstring());
}

namespace {

// `text` in the system's code page; false when a character has no exact counterpart there
// (no best-fit look-alikes: a look-alike names another file).
bool ToSystemCodePage(const std::wstring& text, std::string& narrow) {
    narrow.clear();
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr,
                                           0, nullptr, &lossy);
    if (needed <= 0 || lossy) return false;
    narrow.resize(static_cast<size_t>(needed));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, &narrow[0], needed,
                        nullptr, &lossy);
    return !lossy;
}

}  // namespace

std::string ToRuntimeFileName(const std::string& path) {
    const std::wstring wide = AnsiToWide(path);
    std::string narrow;
    if (ToSystemCodePage(wide, narrow)) return narrow;
    // The longest existing directory in its short form, the rest as it is.
    for (size_t end = wide.find_last_of(L"/\\"); end != std::wstring::npos && end > 0;
         end = wide.find_last_of(L"/\\", end - 1)) {
        const std::wstring head = wide.substr(0, end);
        const DWORD needed = GetShortPathNameW(head.c_str(), nullptr, 0);
        if (needed == 0) continue;
        std::wstring shortHead(needed, L'\0');
        const DWORD length = GetShortPathNameW(head.c_str(), &shortHead[0], needed);
        if (length == 0 || length >= needed) continue;
        shortHead.resize(length);
        if (ToSystemCodePage(shortHead + wide.substr(end), narrow)) return narrow;
        break;  // the missing part itself cannot be spelled
    }
    ToSystemCodePage(wide, narrow);
    return narrow.empty() ? path : narrow;
}
