#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>
#include <vector>

#include "platform/file_system.h"

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

std::string SystemErrorText(int code) {
    return std::generic_category().message(code);
}

bool QueryPathPresence(const std::string& path, bool& isPresent, int& errorCode) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        isPresent = true;
        return true;
    }
    errorCode = errno;
    // A missing entry, or a file where a directory was expected on the way, is an answer.
    if (errorCode == ENOENT || errorCode == ENOTDIR) {
        isPresent = false;
        return true;
    }
    return false;
}

bool QueryFileSize(const std::string& path, uint64_t& size, int& errorCode) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        errorCode = errno;
        return false;
    }
    size = static_cast<uint64_t>(info.st_size);
    return true;
}
