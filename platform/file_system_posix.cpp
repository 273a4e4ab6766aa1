#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/file_system.h"
#include "platform/file_system_path.h"

std::string GetExeDir() {
    // readlink does not say when the buffer was too small except by filling it: grow until
    // the answer is shorter than the buffer.
    std::vector<char> buffer(1024);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < buffer.size()) {
            return ExeDirFromPath(std::string(buffer.data(), static_cast<size_t>(length)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool PathExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

FileErrorKind ClassifyFileError(int code) {
    switch (code) {
        case ENOENT:
        case ENOTDIR:
            return FileErrorKind::NotFound;
        case EACCES:
        case EPERM:
            return FileErrorKind::AccessDenied;
        case ENAMETOOLONG:
        case ELOOP:
            return FileErrorKind::BadPathSyntax;
        case EROFS:
            return FileErrorKind::ReadOnly;
        case EEXIST:
            return FileErrorKind::AlreadyExists;
        case ENOTEMPTY:
            return FileErrorKind::DirectoryNotEmpty;
        case ENOSPC:
            return FileErrorKind::DiskFull;
        case EIO:
            return FileErrorKind::ReadFault;
        default:
            return FileErrorKind::Other;
    }
}

int LastSystemError() {
    return errno;
}

namespace {

bool IsAbsence(int code) {
    return code == ENOENT || code == ENOTDIR;
}

FileKind KindOf(const struct stat& info) {
    if (S_ISREG(info.st_mode)) return FileKind::Regular;
    if (S_ISDIR(info.st_mode)) return FileKind::Directory;
    return FileKind::Other;
}

int Descriptor(long long handle) {
    return static_cast<int>(handle);
}

void CloseDescriptor(long long& handle) {
    if (handle >= 0) close(Descriptor(handle));
    handle = -1;
}

}  // namespace

bool QueryFileStatus(const std::string& path, FileStatus& status, int& errorCode) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        errorCode = errno;
        if (!IsAbsence(errorCode)) return false;
        status = FileStatus();
        return true;
    }
    status.kind = KindOf(info);
    status.size = static_cast<uint64_t>(info.st_size);
    return true;
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

FileReadResult ReadOnlyFile::OpenExisting(const std::string& path, FileStatus& opened,
                                          int& errorCode) {
    // Non-blocking, so that a FIFO swapped in after the first look does not wait for a writer.
    int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        errorCode = errno;
        return IsAbsence(errorCode) ? FileReadResult::NotFound : FileReadResult::CannotOpen;
    }
    _handle = descriptor;
    struct stat info;
    if (fstat(descriptor, &info) != 0) {
        errorCode = errno;
        Close();
        return FileReadResult::CannotOpen;
    }
    opened.kind = KindOf(info);
    opened.size = static_cast<uint64_t>(info.st_size);
    // A regular file ignores the flag; cleared all the same, since reads must wait for data.
    int flags = fcntl(descriptor, F_GETFL);
    if (flags >= 0) fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    return FileReadResult::Ok;
}

long long ReadOnlyFile::Read(char* buffer, size_t capacity, int& errorCode) {
    if (_handle < 0) {
        errorCode = EBADF;
        return -1;
    }
    for (;;) {
        ssize_t count = read(Descriptor(_handle), buffer, capacity);
        if (count >= 0) return count;
        if (errno != EINTR) {
            errorCode = errno;
            return -1;
        }
    }
}

void ReadOnlyFile::Close() {
    CloseDescriptor(_handle);
    _size = 0;
}

bool QueryRegularFileAccess(const std::string& path, bool followLink, FileAccess& access) {
    struct stat info;
    int result = followLink ? stat(path.c_str(), &info) : lstat(path.c_str(), &info);
    if (result != 0 || !S_ISREG(info.st_mode)) return false;
    access.permissions = static_cast<uint32_t>(info.st_mode & 07777);
    access.owner = static_cast<uint32_t>(info.st_uid);
    access.group = static_cast<uint32_t>(info.st_gid);
    return true;
}

NewFile::~NewFile() {
    CloseDescriptor(_handle);
}

bool NewFile::Create(const std::string& path, const FileAccess* limit, int& errorCode) {
    CloseDescriptor(_handle);
    // O_EXCL: fails on anything at the path, a link to nowhere included; O_NOFOLLOW says the
    // same for the last component in so many words.
    const mode_t mode = limit != nullptr ? static_cast<mode_t>(limit->permissions & 0600) : 0666;
    int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
    if (descriptor < 0) {
        errorCode = errno;
        return false;
    }
    _handle = descriptor;
    return true;
}

bool NewFile::Write(const char* data, size_t size, int& errorCode) {
    while (size > 0) {
        ssize_t count = write(Descriptor(_handle), data, size);
        if (count < 0) {
            if (errno == EINTR) continue;
            errorCode = errno;
            return false;
        }
        data += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

void NewFile::ApplyOwner(const FileAccess& access) {
    // Only root may give a file away; anyone may pass it to a group of their own.
    if (fchown(Descriptor(_handle), access.owner, access.group) != 0)
        (void)fchown(Descriptor(_handle), static_cast<uid_t>(-1), access.group);
}

bool NewFile::ApplyPermissions(const FileAccess& access, int& errorCode) {
    // After the owner: a change of owner clears the set-user-ID and set-group-ID bits.
    if (fchmod(Descriptor(_handle), static_cast<mode_t>(access.permissions & 07777)) != 0) {
        errorCode = errno;
        return false;
    }
    return true;
}

bool NewFile::Close(int& errorCode) {
    if (_handle < 0) {
        errorCode = EBADF;
        return false;
    }
    int descriptor = Descriptor(_handle);
    _handle = -1;
    if (close(descriptor) != 0 && errno != EINTR) {
        errorCode = errno;
        return false;
    }
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, int& errorCode) {
    if (rename(from.c_str(), to.c_str()) != 0) {
        errorCode = errno;
        return false;
    }
    return true;
}

bool RemoveFileEntry(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

// The bytes as they are: a file name need not be valid UTF-8.
std::filesystem::path ToFileSystemPath(const std::string& path) {
    return std::filesystem::path(path);
}

std::string FromFileSystemPath(const std::filesystem::path& path) {
    return path.generic_string();
}

std::string ToRuntimeFileName(const std::string& path) {
    return path;
}
