#include "platform/file_system.h"

#include <algorithm>
#include <limits>

#include "platform/text_utils.h"

// What every backend shares: the directory part of the executable's path.
std::string ExeDirFromPath(const std::string& exePath) {
    // Only real backslashes become slashes; "/" itself (0x2F) is never the second byte of a
    // double-byte character, so the last one found is a separator.
    std::string dir = ToForwardSlashes(exePath);
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos) dir.resize(slash);
    return dir;
}

std::string FileReadProblem(FileReadResult result, uint64_t maxSize) {
    switch (result) {
        case FileReadResult::Ok:
            return std::string();
        case FileReadResult::NotFound:
            return "does not exist";
        case FileReadResult::NotRegularFile:
            return "is not a regular file (a directory, FIFO or device)";
        case FileReadResult::TooLarge:
            return "is larger than " + std::to_string(maxSize) + " bytes";
        case FileReadResult::CannotOpen:
            return "can not be opened";
        case FileReadResult::CannotRead:
            break;
    }
    return "can not be read";
}

FileReadResult ReadOnlyFile::Open(const std::string& path, uint64_t maxSize, int& errorCode) {
    Close();
    // The kind first, so that no device is ever opened (opening some has effects of its own).
    FileStatus status;
    if (!QueryFileStatus(path, status, errorCode)) return FileReadResult::CannotOpen;
    if (status.kind == FileKind::Missing) return FileReadResult::NotFound;
    if (status.kind != FileKind::Regular) return FileReadResult::NotRegularFile;
    // Then the open file itself, so that whatever was swapped in after the first look is refused.
    FileStatus opened;
    const FileReadResult result = OpenExisting(path, opened, errorCode);
    if (result != FileReadResult::Ok) return result;
    if (opened.kind != FileKind::Regular || opened.size > maxSize) {
        Close();
        return opened.kind != FileKind::Regular ? FileReadResult::NotRegularFile
                                                : FileReadResult::TooLarge;
    }
    _size = opened.size;
    return FileReadResult::Ok;
}

FileReadResult ReadWholeFile(const std::string& path, uint64_t maxSize, std::string& content,
                             int& errorCode) {
    ReadOnlyFile file;
    const FileReadResult opened = file.Open(path, maxSize, errorCode);
    if (opened != FileReadResult::Ok) return opened;
    // Room for the size found at the open and one byte more, so that the end shows without
    // growing; a file that grows meanwhile is read on, never beyond the bound.
    const uint64_t limit = std::min<uint64_t>(maxSize, std::numeric_limits<size_t>::max() - 1);
    std::string data(static_cast<size_t>(std::min(file.Size(), limit)) + 1, '\0');
    size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            if (used > limit) return FileReadResult::TooLarge;
            data.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t(used) * 2, limit + 1)));
        }
        const long long count = file.Read(&data[used], data.size() - used, errorCode);
        if (count < 0) return FileReadResult::CannotRead;
        if (count == 0) break;
        used += static_cast<size_t>(count);
        if (used > limit) return FileReadResult::TooLarge;
    }
    data.resize(used);
    content.swap(data);
    return FileReadResult::Ok;
}
