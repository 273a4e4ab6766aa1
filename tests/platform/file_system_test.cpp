#include "platform/file_system.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "test_support.h"

TEST(GetExeDir, IsTheDirectoryOfTheRunningProgram) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    ASSERT_GT(length, 0);
    std::string path(self, static_cast<size_t>(length));
    EXPECT_EQ(GetExeDir(), path.substr(0, path.rfind('/')));
}

TEST(ExeDirFromPath, TurnsBackslashesAndDropsTheFileName) {
    EXPECT_EQ(ExeDirFromPath("C:\\Station\\bin\\VXLauncher.exe"), "C:/Station/bin");
    EXPECT_EQ(ExeDirFromPath("/opt/station/VXLauncher"), "/opt/station");
    EXPECT_EQ(ExeDirFromPath("/VXLauncher"), "");
    EXPECT_EQ(ExeDirFromPath("VXLauncher"), "VXLauncher");
}

TEST(PathExists, FilesAndDirectoriesButNotMissingOnes) {
    test_support::TempDir dir;
    std::ofstream(dir.Path() + "/file") << "x";
    EXPECT_TRUE(PathExists(dir.Path()));
    EXPECT_TRUE(PathExists(dir.Path() + "/file"));
    EXPECT_FALSE(PathExists(dir.Path() + "/missing"));
    EXPECT_FALSE(PathExists(""));
}

TEST(QueryPathPresence, MissingIsAnAnswerOtherFailuresAreNot) {
    test_support::TempDir dir;
    std::ofstream(dir.Path() + "/file") << "12345";
    bool present = false;
    int error = 0;
    ASSERT_TRUE(QueryPathPresence(dir.Path() + "/file", present, error));
    EXPECT_TRUE(present);
    ASSERT_TRUE(QueryPathPresence(dir.Path() + "/missing", present, error));
    EXPECT_FALSE(present);
    ASSERT_TRUE(QueryPathPresence(dir.Path() + "/file/below", present, error));  // ENOTDIR
    EXPECT_FALSE(present);
    EXPECT_FALSE(QueryPathPresence(std::string(5000, 'n'), present, error));
    EXPECT_EQ(ClassifyFileError(error), FileErrorKind::BadPathSyntax);

    uint64_t size = 0;
    ASSERT_TRUE(QueryFileSize(dir.Path() + "/file", size, error));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(QueryFileSize(dir.Path() + "/missing", size, error));
    EXPECT_EQ(ClassifyFileError(error), FileErrorKind::NotFound);
}

TEST(ClassifyFileError, MapsTheSystemCodes) {
    EXPECT_EQ(ClassifyFileError(ENOENT), FileErrorKind::NotFound);
    EXPECT_EQ(ClassifyFileError(ENOTDIR), FileErrorKind::NotFound);
    EXPECT_EQ(ClassifyFileError(EACCES), FileErrorKind::AccessDenied);
    EXPECT_EQ(ClassifyFileError(EPERM), FileErrorKind::AccessDenied);
    EXPECT_EQ(ClassifyFileError(ELOOP), FileErrorKind::BadPathSyntax);
    EXPECT_EQ(ClassifyFileError(EROFS), FileErrorKind::ReadOnly);
    EXPECT_EQ(ClassifyFileError(EEXIST), FileErrorKind::AlreadyExists);
    EXPECT_EQ(ClassifyFileError(ENOTEMPTY), FileErrorKind::DirectoryNotEmpty);
    EXPECT_EQ(ClassifyFileError(ENOSPC), FileErrorKind::DiskFull);
    EXPECT_EQ(ClassifyFileError(EIO), FileErrorKind::ReadFault);
    EXPECT_EQ(ClassifyFileError(EINVAL), FileErrorKind::Other);
    EXPECT_FALSE(SystemErrorText(ENOENT).empty());
}
