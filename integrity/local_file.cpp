#include "integrity/local_file.h"

#include "platform/console_output.h"

#include <cstdio>
#include <limits>

#include "platform/file_system.h"

LocalFile::LocalFile(const std::string& path) : _path(path) {
    bool isDriveRoot = _path.size() == 3 && _path[1] == ':';
    if (_path.size() > 1 && !isDriveRoot && (_path.back() == '/' || _path.back() == '\\')) {
        _path.pop_back();
    }
}

bool LocalFile::Exists() const {
    bool isPresent = false;
    int errorCode = 0;
    if (!QueryPathPresence(_path, isPresent, errorCode)) RaiseFileError(errorCode, _path);
    return isPresent;
}

uint64_t LocalFile::QuerySize() const {
    uint64_t size = 0;
    int errorCode = 0;
    if (!QueryFileSize(_path, size, errorCode)) RaiseFileError(errorCode, _path);
    return size;
}

uint32_t LocalFile::GetSize() const {
    return static_cast<uint32_t>(QuerySize());
}

bool LocalFile::ReadAll(std::unique_ptr<char[]>& buffer, size_t& size) const {
    // The full size, not GetSize's low 32 bits: a file above 4 GiB must not be read short and
    // reported complete.
    uint64_t expected = QuerySize();
    buffer.reset();
    if (expected > std::numeric_limits<size_t>::max()) {
        ConsolePrintf("Error form reading file.\n");
        size = static_cast<size_t>(-1);
        return false;
    }
    std::FILE* stream = std::fopen(_path.c_str(), "rb");
    if (stream == nullptr) {
        ConsolePrintf("Open file Error.\n");
        return false;
    }
    std::unique_ptr<char[]> data(new (std::nothrow) char[expected > 0 ? expected : 1]);
    size_t got = 0;
    if (data) got = std::fread(data.get(), 1, static_cast<size_t>(expected), stream);
    // A directory opens but fails its first read; running out of memory fails alike.
    if (!data || (got < expected && std::ferror(stream))) {
        ConsolePrintf("Error form reading file.\n");
        size = static_cast<size_t>(-1);
        std::fclose(stream);
        return false;
    }
    std::fclose(stream);
    buffer = std::move(data);
    size = got;
    return true;
}

bool LocalFile::ReadAllText(std::string& text) const {
    std::unique_ptr<char[]> buffer;
    size_t size = 0;
    if (!ReadAll(buffer, size)) return false;
    text.assign(buffer.get(), size);
    return true;
}

void LocalFile::HandleLastError(const std::string& path) {
    RaiseFileError(LastSystemError(), path);
}

void LocalFile::RaiseFileError(int code, const std::string& path) {
    switch (ClassifyFileError(code)) {
        case FileErrorKind::NotFound:
            throw FileNotFoundException(path, code);
        case FileErrorKind::AccessDenied:
            throw FileAccessDeniedException(path, code);
        case FileErrorKind::BadPathSyntax:
            throw PathSyntaxException(path, code);
        case FileErrorKind::ReadOnly:
            throw FileReadOnlyException(path, code);
        case FileErrorKind::AlreadyExists:
            throw FileExistsException(path, code);
        case FileErrorKind::DirectoryNotEmpty:
            throw DirectoryNotEmptyException(path, code);
        case FileErrorKind::DiskFull:
            throw WriteFileException("disk is full", path, code);
        case FileErrorKind::ReadFault:
            throw ReadFileException(path, code);
        case FileErrorKind::Other:
            break;
    }
    throw FileException(path, code);
}
