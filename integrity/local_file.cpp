#include "integrity/local_file.h"

#include "platform/console_output.h"

#include <cstdio>
#include <cstring>

#include "platform/file_system.h"
#include "platform/text_utils.h"

LocalFile::LocalFile(const std::string& path) : _path(path) {
    bool isDriveRoot = _path.size() == 3 && _path[1] == ':';
    if (_path.size() > 1 && !isDriveRoot && EndsWithSeparator(_path)) {
        _path.pop_back();
    }
}

bool LocalFile::Exists() const {
    FileStatus status;
    int errorCode = 0;
    if (!QueryFileStatus(_path, status, errorCode)) RaiseFileError(errorCode, _path);
    return status.kind != FileKind::Missing;
}

uint64_t LocalFile::QuerySize() const {
    FileStatus status;
    int errorCode = 0;
    // Absence too is a failure here.
    if (!QueryFileStatus(_path, status, errorCode) || status.kind == FileKind::Missing)
        RaiseFileError(errorCode, _path);
    return status.size;
}

uint32_t LocalFile::GetSize() const {
    return static_cast<uint32_t>(QuerySize());
}

FileReadResult LocalFile::Read(std::string& text, uint64_t maxSize) const {
    QuerySize();  // raises when the file cannot be examined
    int code = 0;
    const FileReadResult result = ReadWholeFile(_path, maxSize, text, code);
    if (result == FileReadResult::NotFound || result == FileReadResult::CannotOpen) {
        ConsolePrintf("Open file Error.\n");
    } else if (result != FileReadResult::Ok) {
        ConsolePrintf("Error form reading file.\n");
    }
    return result;
}

bool LocalFile::ReadAll(std::unique_ptr<char[]>& buffer, size_t& size, uint64_t maxSize) const {
    std::string text;
    buffer.reset();
    const FileReadResult result = Read(text, maxSize);
    if (result != FileReadResult::Ok) {
        if (result != FileReadResult::NotFound && result != FileReadResult::CannotOpen)
            size = static_cast<size_t>(-1);
        return false;
    }
    buffer.reset(new char[text.size() > 0 ? text.size() : 1]);
    std::memcpy(buffer.get(), text.data(), text.size());
    size = text.size();
    return true;
}

bool LocalFile::ReadAllText(std::string& text, uint64_t maxSize) const {
    return Read(text, maxSize) == FileReadResult::Ok;
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
