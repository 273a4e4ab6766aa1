#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

// (Presence, sizes and the grouping of system codes are shown through the file access tests.)
TEST(GetExeDir, IsTheDirectoryOfTheRunningProgramWithoutItsName) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
    const std::string path = self;
    EXPECT_EQ(GetExeDir(), path.substr(0, path.rfind('/')));
    EXPECT_EQ(ExeDirFromPath("C:\\Station\\bin\\VXLauncher.exe"), "C:/Station/bin");
    EXPECT_EQ(ExeDirFromPath("/VXLauncher"), "");  // so that dir + "/name" still names it
    EXPECT_EQ(ExeDirFromPath("VXLauncher"), "VXLauncher");
}
