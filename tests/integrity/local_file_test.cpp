// LocalFile against real files, directories and failing paths in a temporary directory.
#include "integrity/local_file.h"

#include <Poco/TemporaryFile.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <string>

namespace {

// A fresh directory, removed with its content at the end.
struct TempDir : Poco::TemporaryFile {
    TempDir() { createDirectories(); }
    std::string operator/(const std::string& name) const { return path() + "/" + name; }
};

// "name|message|code" of the exception `action` raised, or "none".
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return std::string(error.name()) + "|" + error.message() + "|" +
               std::to_string(error.code());
    }
    return "none";
}
std::string Error(const std::string& name, const std::string& message, int code) {
    return name + "|" + message + "|" + std::to_string(code);
}

TEST(LocalFileTest, TrailingSeparatorIsDroppedExceptOnRoots) {
    // Only the last separator goes; "ab/" has three characters but no colon.
    const std::pair<const char*, const char*> cases[] = {
        {"D:/data/", "D:/data"}, {"D:\\data\\", "D:\\data"},
        {"dir//", "dir/"},       {"D:\\", "D:\\"},
        {"D:/", "D:/"},          {"/", "/"},
        {"ab/", "ab"},           {"", ""},
        {"/tmp/", "/tmp"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(LocalFile(path).Path(), expected) << path;
}

TEST(LocalFileTest, ReadsRealFilesAndRaisesForRealFailures) {
    TempDir dir;
    std::string file = dir / "data.bin", content("line1\r\n\0binary\x1a\xff tail", 21);
    std::ofstream(file, std::ios::binary) << content;
    std::ofstream(dir / "empty", std::ios::binary);
    EXPECT_TRUE(LocalFile(file).Exists() && LocalFile(dir.path()).Exists() &&
                LocalFile(dir.path() + "/").Exists());
    // Absence, also of a directory on the way or because a file stands there (ENOTDIR).
    EXPECT_FALSE(LocalFile(dir / "missing").Exists() || LocalFile(dir / "missing/a").Exists() ||
                 LocalFile(file + "/a").Exists());

    EXPECT_EQ(LocalFile(file).GetSize(), content.size());
    std::string text = "previous";
    ASSERT_TRUE(LocalFile(file).ReadAllText(text));
    EXPECT_EQ(text, content);
    ASSERT_TRUE(LocalFile(dir / "empty").ReadAllText(text));
    EXPECT_EQ(text, "");
    std::unique_ptr<char[]> buffer;
    size_t size = 0;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(LocalFile(dir.path()).ReadAll(buffer, size)) << "a directory is not a file";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error form reading file.\n");
    EXPECT_TRUE(buffer == nullptr && size == static_cast<size_t>(-1));

    std::string tooLong = dir / std::string(NAME_MAX + 1, 'n'), loop = dir / "a",
                missing = dir / "missing";
    ASSERT_EQ(
        symlink((dir / "b").c_str(), loop.c_str()) | symlink(loop.c_str(), (dir / "b").c_str()), 0);
    EXPECT_EQ(Raised([&] { LocalFile(tooLong).Exists(); }),
              Error("Bad path syntax", tooLong, ENAMETOOLONG));
    EXPECT_EQ(Raised([&] { LocalFile(loop).Exists(); }), Error("Bad path syntax", loop, ELOOP));
    EXPECT_EQ(Raised([&] { LocalFile(loop).GetSize(); }), Error("Bad path syntax", loop, ELOOP));
    EXPECT_EQ(Raised([&] { LocalFile(missing).ReadAllText(text); }),
              Error("File not found", missing, ENOENT));
}

TEST(LocalFileTest, PermissionsAreObeyed) {
    TempDir dir;
    std::string locked = dir / "locked.json", behindClosed = dir / "closed/a.json";
    std::ofstream(locked) << "{\"SM_PORT\": 1}";
    ASSERT_EQ(chmod(locked.c_str(), 0) | mkdir((dir / "closed").c_str(), 0) |
                  chmod(dir.path().c_str(), 0755),
              0);
    // Root reads anything, so a forked child gives root up first and reports through its exit
    // code. It ends with _exit: exit handlers would wait for threads that fork did not copy.
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        std::string text;
        if (!LocalFile(locked).Exists()) _exit(2);  // present, but cannot be opened
        if (LocalFile(locked).ReadAllText(text) || !text.empty()) _exit(3);
        _exit(Raised([&] { LocalFile(behindClosed).Exists(); }) ==
                      Error("Access to file denied", behindClosed, EACCES)
                  ? 0
                  : 4);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(LocalFileTest, SystemErrorsMapOntoTheFamily) {
    const std::pair<int, const char*> cases[] = {
        {ENOENT, "File not found"},        {EACCES, "Access to file denied"},
        {EPERM, "Access to file denied"},  {ELOOP, "Bad path syntax"},
        {ENAMETOOLONG, "Bad path syntax"}, {EROFS, "File is read-only"},
        {EEXIST, "File exists"},           {ENOTEMPTY, "Directory not empty"},
        {EIO, "Cannot read file"},         {EBUSY, "File access error"},
    };
    for (const auto& [code, name] : cases)
        EXPECT_EQ(Raised([&, code = code] { LocalFile::RaiseFileError(code, "/p"); }),
                  Error(name, "/p", code));
    EXPECT_EQ(Raised([] { LocalFile::RaiseFileError(ENOSPC, ""); }),
              Error("Cannot write file", "disk is full", ENOSPC));
    errno = ENOSPC;  // the thread's last error
    EXPECT_EQ(Raised([] { LocalFile::HandleLastError("/p"); }),
              Error("Cannot write file", "disk is full: /p", ENOSPC));
}

}  // namespace
