// LocalFile against real files, directories and failing paths in a temporary directory.
#include "integrity/local_file.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

class LocalFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/local_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        _dir = pattern;
        // Traversable by an unprivileged user, for the tests that drop root.
        chmod(_dir.c_str(), 0755);
    }
    void TearDown() override { std::filesystem::remove_all(_dir); }

    std::string Write(const std::string& name, const std::string& content) {
        std::string path = _dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string _dir;
};

TEST(LocalFilePath, TrailingSeparatorIsDroppedExceptOnRoots) {
    EXPECT_EQ(LocalFile("D:/data/").Path(), "D:/data");
    EXPECT_EQ(LocalFile("D:\\data\\").Path(), "D:\\data");
    EXPECT_EQ(LocalFile("/tmp/").Path(), "/tmp");
    EXPECT_EQ(LocalFile("dir//").Path(), "dir/") << "only the last separator goes";
    EXPECT_EQ(LocalFile("D:\\").Path(), "D:\\");
    EXPECT_EQ(LocalFile("D:/").Path(), "D:/");
    EXPECT_EQ(LocalFile("/").Path(), "/");
    EXPECT_EQ(LocalFile("").Path(), "");
    EXPECT_EQ(LocalFile("ab/").Path(), "ab") << "three characters without a colon";
}

TEST_F(LocalFileTest, ExistsForFilesAndDirectoriesFalseForAbsence) {
    std::string file = Write("a.json", "{}");
    EXPECT_TRUE(LocalFile(file).Exists());
    EXPECT_TRUE(LocalFile(_dir).Exists());
    EXPECT_TRUE(LocalFile(_dir + "/").Exists());
    EXPECT_FALSE(LocalFile(_dir + "/missing.json").Exists());
    EXPECT_FALSE(LocalFile(_dir + "/missing/a.json").Exists());
    // A regular file used as a directory on the way (ENOTDIR) is absence too.
    EXPECT_FALSE(LocalFile(file + "/a.json").Exists());
}

TEST_F(LocalFileTest, NameTooLongRaisesPathSyntaxWithPathAndCode) {
    std::string path = _dir + "/" + std::string(NAME_MAX + 1, 'n');
    try {
        LocalFile(path).Exists();
        FAIL() << "no exception";
    } catch (const PathSyntaxException& error) {
        EXPECT_STREQ(error.what(), "Bad path syntax");
        EXPECT_EQ(error.message(), path);
        EXPECT_EQ(error.code(), ENAMETOOLONG);
    }
}

TEST_F(LocalFileTest, SymbolicLinkLoopRaisesPathSyntax) {
    ASSERT_EQ(symlink((_dir + "/b").c_str(), (_dir + "/a").c_str()), 0);
    ASSERT_EQ(symlink((_dir + "/a").c_str(), (_dir + "/b").c_str()), 0);
    EXPECT_THROW(LocalFile(_dir + "/a").Exists(), PathSyntaxException);
    EXPECT_THROW(LocalFile(_dir + "/a").GetSize(), PathSyntaxException);
}

TEST_F(LocalFileTest, ReadsEveryByteAndAnEmptyFile) {
    std::string content("line1\r\n\0binary\x1a\xff tail", 21);
    LocalFile file(Write("data.bin", content));
    EXPECT_EQ(file.GetSize(), content.size());
    std::string text = "previous";
    ASSERT_TRUE(file.ReadAllText(text));
    EXPECT_EQ(text, content);

    std::unique_ptr<char[]> buffer;
    size_t size = 0;
    ASSERT_TRUE(file.ReadAll(buffer, size));
    ASSERT_EQ(size, content.size());
    EXPECT_EQ(std::string(buffer.get(), size), content);

    text = "previous";
    ASSERT_TRUE(LocalFile(Write("empty", "")).ReadAllText(text));
    EXPECT_EQ(text, "");
}

TEST_F(LocalFileTest, MissingFileRaisesWhenRead) {
    std::string path = _dir + "/missing.json";
    std::string text;
    try {
        LocalFile(path).ReadAllText(text);
        FAIL() << "no exception";
    } catch (const FileNotFoundException& error) {
        EXPECT_EQ(error.message(), path);
        EXPECT_EQ(error.code(), ENOENT);
    }
}

TEST_F(LocalFileTest, DirectoryCannotBeReadAsAFile) {
    std::unique_ptr<char[]> buffer;
    size_t size = 0;
    testing::internal::CaptureStdout();
    bool read = LocalFile(_dir).ReadAll(buffer, size);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(read);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, static_cast<size_t>(-1));
    EXPECT_EQ(printed, "Error form reading file.\n");
}

// Root reads anything, so the permission cases run in a forked child that gives root up first
// and reports through its exit code. The child ends with _exit: exit handlers would wait for
// logging threads that fork did not copy.
int RunUnprivileged(const std::function<int()>& body) {
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_F(LocalFileTest, UnreadableFileIsPresentButCannotBeOpened) {
    std::string path = Write("locked.json", "{\"SM_PORT\": 1}");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    int result = RunUnprivileged([&] {
        LocalFile file(path);
        std::string text;
        if (!file.Exists()) return 1;
        if (file.ReadAllText(text) || !text.empty()) return 2;
        return 0;
    });
    EXPECT_EQ(result, 0);
}

TEST_F(LocalFileTest, LockedDirectoryOnTheWayRaisesAccessDenied) {
    ASSERT_EQ(mkdir((_dir + "/locked").c_str(), 0), 0);
    std::string path = _dir + "/locked/a.json";
    int result = RunUnprivileged([&] {
        try {
            LocalFile(path).Exists();
        } catch (const FileAccessDeniedException& error) {
            return error.message() == path && error.code() == EACCES ? 0 : 2;
        } catch (...) {
            return 3;
        }
        return 1;
    });
    EXPECT_EQ(result, 0);
}

TEST(LocalFileErrors, SystemErrorsMapOntoTheFamily) {
    auto nameOf = [](int code, const std::string& path) -> std::string {
        try {
            LocalFile::RaiseFileError(code, path);
        } catch (const Exception& error) {
            return std::string(error.name()) + "|" + error.message() + "|" +
                   std::to_string(error.code());
        }
        return "none";
    };
    EXPECT_EQ(nameOf(ENOENT, "/p"), "File not found|/p|" + std::to_string(ENOENT));
    EXPECT_EQ(nameOf(EACCES, "/p"), "Access to file denied|/p|" + std::to_string(EACCES));
    EXPECT_EQ(nameOf(EPERM, "/p"), "Access to file denied|/p|" + std::to_string(EPERM));
    EXPECT_EQ(nameOf(ELOOP, "/p"), "Bad path syntax|/p|" + std::to_string(ELOOP));
    EXPECT_EQ(nameOf(EROFS, "/p"), "File is read-only|/p|" + std::to_string(EROFS));
    EXPECT_EQ(nameOf(EEXIST, "/p"), "File exists|/p|" + std::to_string(EEXIST));
    EXPECT_EQ(nameOf(ENOTEMPTY, "/p"), "Directory not empty|/p|" + std::to_string(ENOTEMPTY));
    EXPECT_EQ(nameOf(ENOSPC, "/p"), "Cannot write file|disk is full: /p|" + std::to_string(ENOSPC));
    EXPECT_EQ(nameOf(ENOSPC, ""), "Cannot write file|disk is full|" + std::to_string(ENOSPC));
    EXPECT_EQ(nameOf(EIO, "/p"), "Cannot read file|/p|" + std::to_string(EIO));
    EXPECT_EQ(nameOf(EBUSY, "/p"), "File access error|/p|" + std::to_string(EBUSY));
}

TEST(LocalFileErrors, HandleLastErrorReadsTheThreadsLastError) {
    errno = ENOSPC;
    EXPECT_THROW(LocalFile::HandleLastError("/full"), WriteFileException);
}

}  // namespace
