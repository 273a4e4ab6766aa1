#include "platform/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/file_system_path.h"
#include "platform/text_utils.h"
#include "tests/platform/narrow_text_samples.h"
#include "tests/support/test_support.h"

TEST(Log, InitCreatesDirectoriesEachLineFollowsThePatternAndPrintKeepsItsTextWhole) {
    // The file is read before shutdown: the daily appender rolls it away when closed.
    test_support::TempDir dir;
    const std::string path = dir.path + "/log/deeper/Launcher.log";
    LOG_INIT(path, false);
    LOG_DEBUG("debug %d", 1);  // the levels the launcher uses
    LOG_ERROR("error %s", "text");
    std::string printed = "cmd /c echo %d %s 100%\nends in a line end\n\n";
    std::string logged =
        "@ [DEBUG] debug 1\n@ [ERROR] error text\n"
        "@ [DEBUG] cmd /c echo %d %s 100%\n@ [DEBUG] ends in a line end\n\n";
    test_support::StdoutCapture capture;
    LOG_PRINT("%s", "cmd /c echo %d %s 100%");
    LOG_PRINT("%s", "ends in a line end\n");
    // Around the first formatting buffer's 2048 bytes, also through the arguments only.
    for (size_t length : {1u, 2047u, 2048u, 2049u, 4096u, 100000u}) {
        const std::string text = std::string(length - 1, 'q') + "E";
        LOG_PRINT("%s", text.c_str());
        printed += text + "\n";
        logged += "@ [DEBUG] " + text + "\n";
    }
    LOG_PRINT("%5000d|", 7);
    printed += std::string(4999, ' ') + "7|\n";
    logged += "@ [DEBUG] " + std::string(4999, ' ') + "7|\n";
    EXPECT_EQ(capture.Take(), printed);
    // The log is a text file: every line end, a message's own too, is the platform's.
    ReplaceString(logged, "\n", kTextLineEnd, true);
    const std::regex stamp("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,\\d{3} \\[\\d+\\] ");
    EXPECT_EQ(std::regex_replace(test_support::ReadFile(path), stamp, "@ "), logged);
}

TEST(Log, ReachesItsFileThroughADirectoryNamedInThePlatformsNarrowText) {
    // On Windows the logging library opens files in the system's code page, which need not
    // have these characters: the existing directory is then reached by its short name.
    test_support::TempDir dir;
    const std::string existing = dir / NonAsciiNames().back();
    std::filesystem::create_directories(ToFileSystemPath(existing));
    const std::string path = existing + "/log/Launcher.log";
    LOG_INIT(path, true);
    LOG_ERROR("through %s", existing.c_str());
    LOG_SHUTDOWN();
    std::ifstream file(ToFileSystemPath(path), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("[ERROR] through " + existing + kTextLineEnd), std::string::npos) << text;
}
