#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system_path.h"
#include "platform/text_utils.h"
#include "tests/platform/narrow_text_samples.h"
#include "tests/support/test_support.h"

// (Presence, sizes and the grouping of system codes are shown through the file access tests.)
TEST(GetExeDir, IsTheDirectoryOfTheRunningProgramWithoutItsName) {
    const std::string dir = GetExeDir();  // where the build put this test, spelled canonically
    EXPECT_TRUE(std::filesystem::equivalent(dir, VX_TEST_EXE_DIR)) << dir;
    EXPECT_EQ(std::filesystem::canonical(dir).generic_string(), dir);
    EXPECT_EQ(ExeDirFromPath("C:\\Station\\bin\\VXLauncher.exe"), "C:/Station/bin");
    EXPECT_EQ(ExeDirFromPath("/VXLauncher"), "");  // so that dir + "/name" still names it
    EXPECT_EQ(ExeDirFromPath("VXLauncher"), "VXLauncher");
}

// The checked whole-file reader and exclusive creation (hostile files: hostile_files_test.cpp).
TEST(ReadWholeFile, OnlyARegularFileWithinTheBound) {
    test_support::TempDir dir;
    const std::string file = dir / "f";
    std::string content = "before";
    int code = 0;
    EXPECT_EQ(ReadWholeFile(file, 100, content, code), FileReadResult::NotFound);
    NewFile created;
    ASSERT_TRUE(created.Create(file, nullptr, code));
    ASSERT_TRUE(created.Write("12345", 5, code) && created.Close(code));
    EXPECT_EQ(ReadWholeFile(file, 4, content, code), FileReadResult::TooLarge);
    EXPECT_EQ(content, "before");
    EXPECT_EQ(ReadWholeFile(file, 5, content, code), FileReadResult::Ok);
    EXPECT_EQ(content, "12345");
    // A directory is refused before any open, so Linux (where it opens) and Windows (where
    // the open fails) give the same result.
    code = 0;
    EXPECT_EQ(ReadWholeFile(dir.path, 100, content, code), FileReadResult::NotRegularFile);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(content, "12345");
    // Creation is exclusive (links: file_system_posix_test.cpp).
    EXPECT_FALSE(NewFile().Create(file, nullptr, code));
    EXPECT_EQ(ClassifyFileError(code), FileErrorKind::AlreadyExists);
    EXPECT_TRUE(RemoveFileEntry(file) && RemoveFileEntry(file));
}

TEST(ReadWholeFile, NonAsciiPathsInThePlatformsNarrowText) {
    test_support::TempDir dir;
    for (const std::string& name : NonAsciiNames()) {
        const std::string path = dir / name;
        int code = 0;
        NewFile created;
        ASSERT_TRUE(created.Create(path, nullptr, code)) << name;
        ASSERT_TRUE(created.Write(name.data(), name.size(), code) && created.Close(code));
        std::string content;
        EXPECT_EQ(ReadWholeFile(path, 100, content, code), FileReadResult::Ok) << name;
        EXPECT_EQ(content, name);
        EXPECT_TRUE(PathExists(path));
        EXPECT_EQ(GetFileName(FromFileSystemPath(ToFileSystemPath(path)).c_str()), name);
        EXPECT_TRUE(std::filesystem::is_regular_file(ToFileSystemPath(path))) << name;
        EXPECT_TRUE(RenameFile(path, path + ".old", code));
        EXPECT_TRUE(RemoveFileEntry(path + ".old") && !PathExists(path + ".old"));
    }
}
