#include "platform/log.h"

#include <gtest/gtest.h>

#include <regex>

#include "test_support.h"

using test_support::ReadFile;
using test_support::TempDir;

namespace {

std::string Format(const char* format, ...) VX_PRINTF_FORMAT(1, 2);
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatArgs(format, args);
    va_end(args);
    return text;
}

// Every test logs into its own directory. The library is set up once per process; a
// second LOG_INIT replaces the appender, and the file is read before shutdown since the
// daily appender rolls its file away when closed.
class LogTest : public testing::Test {
  protected:
    void SetUp() override {
        _path = _dir.Path() + "/log/deeper/Launcher.log";
        LOG_INIT(_path, false);
    }
    std::string Logged() { return ReadFile(_path); }

    TempDir _dir;
    std::string _path;
};

}  // namespace

TEST(FormatArgs, GrowsPastTheFirstBufferWithoutTruncation) {
    for (size_t length : {0u, 1u, 2047u, 2048u, 2049u, 4095u, 4096u, 100000u}) {
        std::string text(length, 'q');
        if (length > 0) text.back() = 'E';  // the last character must survive
        EXPECT_EQ(Format("%s", text.c_str()), text) << length;
    }
    // A format that grows beyond the buffer through its arguments only.
    EXPECT_EQ(Format("%5000d|", 7).size(), 5001u);
    EXPECT_EQ(Format("%d-%s", 42, "x"), "42-x");
}

TEST_F(LogTest, InitCreatesMissingDirectoriesAndLinesFollowThePattern) {
    LOG_DEBUG("debug %d", 1);
    LOG_INFO("info");
    LOG_WARN("warn");
    LOG_ERROR("error %s", "text");
    LOG_FATAL("fatal");
    LOG_ERROR_NAME("Engine0", "named %d", 2);
    std::string logged = Logged();
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,\\d{3} \\[\\d+\\] ";
    std::regex expected(stamp + "\\[DEBUG\\] debug 1\n" + stamp + "\\[INFO \\] info\n" + stamp +
                        "\\[WARN \\] warn\n" + stamp + "\\[ERROR\\] error text\n" + stamp +
                        "\\[FATAL\\] fatal\n" + stamp + "\\[ERROR\\] \\[Engine0\\] named 2\n");
    EXPECT_TRUE(std::regex_match(logged, expected)) << logged;
}

TEST_F(LogTest, PrintKeepsPercentSignsAndAddsOneLineEndOnTheConsole) {
    testing::internal::CaptureStdout();
    LOG_PRINT("%s", "cmd /c echo %d %s 100%");
    LOG_PRINT("%s", "ends in a line end\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "cmd /c echo %d %s 100%\nends in a line end\n\n");
    std::string logged = Logged();
    EXPECT_NE(logged.find("[DEBUG] cmd /c echo %d %s 100%\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("[DEBUG] ends in a line end\n\n"), std::string::npos) << logged;
}

TEST_F(LogTest, LongMessageIsWrittenWhole) {
    std::string text(5000, 'z');
    testing::internal::CaptureStdout();
    LOG_PRINT("%s", text.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), text + "\n");
    EXPECT_NE(Logged().find("[DEBUG] " + text + "\n"), std::string::npos);
}

TEST(LogSizeRolling, RollsPastTenMebibytes) {
    TempDir dir;
    std::string path = dir.Path() + "/Launcher.log";
    LOG_INIT(path, true);
    std::string chunk(64 * 1024, 'r');
    for (int i = 0; i < 170; ++i) LOG_DEBUG("%s", chunk.c_str());  // about 10.6 MiB
    EXPECT_TRUE(test_support::ReadFile(path + ".1").size() >= 10485760u - 70000u);
    EXPECT_LT(test_support::ReadFile(path).size(), 10485760u);
    LOG_SHUTDOWN();
}
