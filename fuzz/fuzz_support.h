#pragma once
// What the fuzz targets share: a scratch directory of their own for the readers that take a
// path, a quiet console, and a property check that makes libFuzzer keep the failing input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// A failed property aborts: libFuzzer then reports it like a crash and saves the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            abort();                                                                           \
        }                                                                                      \
    } while (0)

namespace fuzz {

// The readers print their messages with LOG_PRINT; at hundreds of thousands of inputs a
// second they would drown the fuzzer's own report, which goes to standard error.
inline void QuietConsole() {
    static bool quiet = false;
    if (quiet) return;
    quiet = true;
    if (freopen("/dev/null", "w", stdout) == nullptr) abort();
}

// A directory of this process under the temporary directory, removed at exit.
inline const std::string& ScratchDirectory() {
    static const std::string directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vx-fuzz-XXXXXX").string();
        if (mkdtemp(&pattern[0]) == nullptr) abort();
        static std::string removeAtExit;
        removeAtExit = pattern;
        atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return directory;
}

inline std::string ScratchPath(const std::string& name) {
    return ScratchDirectory() + "/" + name;
}

// Replaces the file's content with the input, byte for byte.
inline void WriteFile(const std::string& path, const void* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) abort();
    if (size > 0 && fwrite(data, 1, size, file) != size) abort();
    if (fclose(file) != 0) abort();
}

inline std::string AsText(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace fuzz
