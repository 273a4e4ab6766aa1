// Links: POSIX only (Wine cannot make them, Windows only with a privilege).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "tests/support/test_support.h"

TEST(NewFile, CreationFollowsNoLinkNotEvenOneToNowhere) {
    test_support::TempDir dir;
    const std::string link = dir / "link";
    std::filesystem::create_symlink(dir / "nowhere", link);
    int code = 0;
    EXPECT_FALSE(NewFile().Create(link, nullptr, code));
    EXPECT_EQ(ClassifyFileError(code), FileErrorKind::AlreadyExists);
    EXPECT_FALSE(PathExists(dir / "nowhere"));
    EXPECT_TRUE(RemoveFileEntry(link) && RemoveFileEntry(link));
}
