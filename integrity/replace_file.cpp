#include "integrity/replace_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string& error) {
    const std::string temporary = path + ".vxtmp";
    {
        std::ofstream out(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
        if (!out.is_open()) {
            error = "dstfile " + path + " can not be written";
            return false;
        }
        out.write(content.data(), std::streamsize(content.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            error = "dstfile " + path + " can not be written";
            return false;
        }
    }
    // The standard library's rename replaces an existing file on every platform (where the
    // C runtime's rename refuses to); a directory in the way is never removed.
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        std::remove(temporary.c_str());
        error = "dstfile " + path + " can not be replaced";
        return false;
    }
    return true;
}
