#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

// (Presence, sizes and the grouping of system codes are shown through the file access tests.)
TEST(GetExeDir, IsTheDirectoryOfTheRunningProgramWithoutItsName) {
    const std::string dir = GetExeDir();  // where the build put this test, spelled canonically
    EXPECT_TRUE(std::filesystem::equivalent(dir, VX_TEST_EXE_DIR)) << dir;
    EXPECT_EQ(std::filesystem::canonical(dir).generic_string(), dir);
    EXPECT_EQ(ExeDirFromPath("C:\\Station\\bin\\VXLauncher.exe"), "C:/Station/bin");
    EXPECT_EQ(ExeDirFromPath("/VXLauncher"), "");  // so that dir + "/name" still names it
    EXPECT_EQ(ExeDirFromPath("VXLauncher"), "VXLauncher");
}
