#pragma once
// Temporary directories, whole-file reading and writing, and plain MD5 for the integrity tests.

#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A fresh directory under /tmp, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() : _path(mkdtemp(&std::string("/tmp/vx_integrity_XXXXXX")[0])) {}
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    const std::string& Path() const { return _path; }
    std::string operator/(const std::string& relative) const { return _path + "/" + relative; }

  private:
    std::string _path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

inline std::string PlainMd5(const std::string& bytes) {
    Poco::MD5Engine engine;
    engine.update(bytes.data(), unsigned(bytes.size()));
    return Poco::DigestEngine::digestToHex(engine.digest());
}
