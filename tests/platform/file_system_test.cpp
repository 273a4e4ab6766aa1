#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    const std::string file = dir / "f", link = dir / "link";
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
    EXPECT_EQ(ReadWholeFile(dir.path, 100, content, code), FileReadResult::NotRegularFile);
    // Creation is exclusive and follows no link, not even one to nowhere.
    std::filesystem::create_symlink(dir / "nowhere", link);
    for (const std::string& taken : {file, link})
        EXPECT_FALSE(NewFile().Create(taken, nullptr, code));
    EXPECT_EQ(ClassifyFileError(code), FileErrorKind::AlreadyExists);
    EXPECT_FALSE(PathExists(dir / "nowhere"));
    EXPECT_TRUE(RemoveFileEntry(link) && RemoveFileEntry(file) && RemoveFileEntry(file));
}
