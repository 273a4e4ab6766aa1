// LocalFile on real files, directories and failing paths, and the exception family it raises.
#include "platform/console_output.h"
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
#include <memory>
#include <string>
#include <type_traits>

namespace {

struct TempDir : Poco::TemporaryFile {  // a fresh directory, removed with its content

    TempDir() { createDirectories(); }
    std::string operator/(const std::string& name) const { return path() + "/" + name; }
};

std::string Error(const std::string& name, const std::string& message, int code) {
    return name + "|" + message + "|" + std::to_string(code);
}
std::string Describe(const Exception& error) {
    return Error(error.name(), error.message(), error.code());
}
// What `action` raised, or "none".
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return Describe(error);
    }
    return "none";
}

TEST(LocalFileTest, TrailingSeparatorIsDroppedExceptOnRoots) {
    // Only the last separator goes; "ab/" has three characters but no colon.
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\data\\", "D:\\data"}, {"ab/", "ab"}, {"dir//", "dir/"},
        {"D:\\", "D:\\"},           {"/", "/"},    {"", ""},
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
    ConsoleFlush(5000);  // the console is written by a thread of its own
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error form reading file.\n");
    EXPECT_TRUE(buffer == nullptr && size == static_cast<size_t>(-1));

    std::string tooLong = dir / std::string(NAME_MAX + 1, 'n'), loop = dir / "a",
                missing = dir / "missing";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);  // a link to itself
    EXPECT_EQ(Raised([&] { LocalFile(tooLong).Exists(); }),
              Error("Bad path syntax", tooLong, ENAMETOOLONG));
    EXPECT_EQ(Raised([&] { LocalFile(loop).Exists(); }), Error("Bad path syntax", loop, ELOOP));
    EXPECT_EQ(Raised([&] { LocalFile(missing).ReadAllText(text); }),
              Error("File not found", missing, ENOENT));
}

TEST(LocalFileTest, PermissionsAreObeyed) {
    TempDir dir;
    std::string locked = dir / "locked.json", behindClosed = dir / "closed/a.json", text;
    std::ofstream(locked) << "{}";
    ASSERT_EQ(chmod(locked.c_str(), 0) | mkdir((dir / "closed").c_str(), 0) |
                  chmod(dir.path().c_str(), 0755),
              0);
    // Root reads anything, so a forked child gives root up first and reports through its exit
    // code. It ends with _exit: exit handlers would wait for threads that fork did not copy.
    pid_t child = fork();
    if (child == 0) {
        bool obeyed = (geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0)) &&
                      LocalFile(locked).Exists() &&  // present, but cannot be opened
                      !LocalFile(locked).ReadAllText(text) && text.empty() &&
                      Raised([&] { LocalFile(behindClosed).Exists(); }) ==
                          Error("Access to file denied", behindClosed, EACCES);
        _exit(obeyed ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "exited normally with 0";
}

TEST(LocalFileTest, SystemErrorsMapOntoTheFamily) {
    const std::pair<int, const char*> cases[] = {
        {EACCES, "Access to file denied|/p"},  {EPERM, "Access to file denied|/p"},
        {EROFS, "File is read-only|/p"},       {EEXIST, "File exists|/p"},
        {ENOTEMPTY, "Directory not empty|/p"}, {EIO, "Cannot read file|/p"},
        {EBUSY, "File access error|/p"},       {ENOSPC, "Cannot write file|disk is full: /p"}};
    for (const auto& [code, expected] : cases) {
        errno = code;  // the thread's last error
        EXPECT_EQ(Raised([] { LocalFile::HandleLastError("/p"); }),
                  expected + ("|" + std::to_string(code)));
    }
    EXPECT_EQ(Raised([] { LocalFile::RaiseFileError(ENOSPC, ""); }),
              Error("Cannot write file", "disk is full", ENOSPC));
}

// "name," of each class E, which derives from Base. Checked through the root, where a missing
// override would show: what() is the name, not the message.
template <class Base, class... E>
std::string Children() {
    static_assert(((std::is_base_of_v<Base, E> && !std::is_same_v<Base, E>)&&...));
    auto name = [](const Exception& error) {
        EXPECT_STREQ(static_cast<const std::exception&>(error).what(), error.name());
        EXPECT_EQ(error.displayText(), std::string(error.name()) + ": message");
        return std::string(error.name()) + ",";
    };
    return (name(E("message")) + ...);
}

TEST(ExceptionFamily, EveryClassHasItsNameAndItsBase) {
    EXPECT_EQ(
        (Children<std::exception, Exception>() + Children<Exception, RuntimeException>() +
         Children<RuntimeException, DataException, IOException>() +
         Children<DataException, SyntaxException>() +
         Children<SyntaxException, PathSyntaxException>() + Children<IOException, FileException>() +
         Children<FileException, FileExistsException, FileNotFoundException, PathNotFoundException,
                  FileReadOnlyException, FileAccessDeniedException, CreateFileException,
                  WriteFileException, ReadFileException, DirectoryNotEmptyException>()),
        "Exception,Runtime exception,Data error,I/O error,Syntax error,Bad path syntax,"
        "File access error,File exists,File not found,Path not found,File is read-only,"
        "Access to file denied,Cannot create file,Cannot write file,Cannot read file,"
        "Directory not empty,");
}

TEST(ExceptionFamily, CopiesAndClonesOwnIndependentPartsOfTheActualClass) {
    auto outer = std::make_unique<Exception>("outer", FileNotFoundException("inner", 2), 7);
    const Exception* originalNested = outer->nested();
    Exception copy(*outer);
    outer.reset();  // the original and its nested exception are gone
    ASSERT_NE(copy.nested(), nullptr);
    EXPECT_NE(copy.nested(), originalNested);
    EXPECT_EQ(Describe(copy) + " " + Describe(*copy.nested()),
              "Exception|outer|7 File not found|inner|2");

    // Through a missing override, the clone and what rethrow throws would lose their class.
    std::unique_ptr<Exception> clone(FileAccessDeniedException("/etc/shadow", 13).clone());
    EXPECT_EQ(Raised([&] { clone->rethrow(); }), "Access to file denied|/etc/shadow|13");
}

}  // namespace
