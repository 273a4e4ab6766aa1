// LocalFile on real files and directories: the name it keeps, presence, size, whole content.
#include "integrity/local_file.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/test_support.h"

using namespace test_support;

TEST(LocalFileTest, TrailingSeparatorIsDroppedExceptOnRoots) {
    // Only the last separator goes; "ab/" has three characters but no colon.
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\data\\", "D:\\data"}, {"ab/", "ab"}, {"dir//", "dir/"},
        {"D:\\", "D:\\"},           {"/", "/"},    {"", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(LocalFile(path).Path(), expected) << path;
}

TEST(LocalFileTest, ReadsRealFilesAndTellsWhatIsNoFile) {
    TempDir dir;
    const std::string file = dir / "data.bin", content("line1\r\n\0binary\x1a\xff tail", 21);
    WriteFile(file, content);
    WriteFile(dir / "empty", "");
    EXPECT_TRUE(LocalFile(file).Exists() && LocalFile(dir.path).Exists() &&
                LocalFile(dir.path + "/").Exists());
    // Absence, also of a directory on the way or because a file stands there.
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
    StdoutCapture printed;
    EXPECT_FALSE(LocalFile(dir.path).ReadAll(buffer, size)) << "a directory is not a file";
    EXPECT_EQ(printed.Take(), "Error form reading file.\n");
    EXPECT_TRUE(buffer == nullptr && size == static_cast<size_t>(-1));
    try {
        LocalFile(dir / "missing").ReadAllText(text);
        ADD_FAILURE() << "nothing raised";
    } catch (const FileNotFoundException& error) {
        EXPECT_EQ(error.message(), dir / "missing");
        EXPECT_EQ(error.code(), ENOENT);
    }
}
