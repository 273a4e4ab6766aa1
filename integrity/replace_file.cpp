#include "integrity/replace_file.h"

#include "platform/file_system.h"

const char* const kReplaceTemporarySuffix = ".vxtmp";

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string& error,
                        const std::string& permissionsFrom) {
    const std::string temporary = path + kReplaceTemporarySuffix;
    FileAccess access;
    const bool replacing = QueryRegularFileAccess(path, false, access);
    const bool modelled = replacing || (!permissionsFrom.empty() &&
                                        QueryRegularFileAccess(permissionsFrom, true, access));

    // A leftover of a crash must not stop this start; a planted link goes as a link.
    RemoveFileEntry(temporary);
    NewFile file;
    int code = 0;
    if (!file.Create(temporary, modelled ? &access : nullptr, code)) {
        error = "dstfile " + path + " can not be written";
        return false;
    }
    if (replacing) file.ApplyOwner(access);
    const bool written = file.Write(content.data(), content.size(), code) &&
                         (!modelled || file.ApplyPermissions(access, code)) && file.Close(code);
    if (!written) {
        int ignored = 0;
        file.Close(ignored);  // a no-op when closed already
        RemoveFileEntry(temporary);
        error = "dstfile " + path + " can not be written";
        return false;
    }
    // Replaces a file or a link at `path` in one step; a directory in the way is never removed.
    if (!RenameFile(temporary, path, code)) {
        RemoveFileEntry(temporary);
        error = "dstfile " + path + " can not be replaced";
        return false;
    }
    return true;
}
