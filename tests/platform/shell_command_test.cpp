#include "platform/shell_command.h"

#include <gtest/gtest.h>

#include "tests/support/process_usage_posix.h"
#include "tests/support/test_support.h"

TEST(ExecCommand, AppendsOutputAndErrorUntilEveryWriterHasGoneAndLeavesNothingOpen) {
    const test_support::Usage before;
    std::string output = "kept|";
    test_support::StdoutCapture capture;
    // The background writer outlives the shell; its line still belongs to the output.
    EXPECT_EQ(ExecCommand("echo one; echo two >&2; (sleep 0.1; echo three) &", output), 0);
    EXPECT_EQ(capture.Take(),
              "ExecCommand cmd=echo one; echo two >&2; (sleep 0.1; echo three) &\n"
              "exec command success.output:kept|one\ntwo\nthree\n\n");
    // A failing command still counts as run: its exit code is not looked at.
    EXPECT_EQ(ExecCommand("exit 3", output), 0);
    EXPECT_EQ(ExecCommand("vx_no_such_command_here", output), 0);
    EXPECT_NE(output.find("not found"), std::string::npos);
    EXPECT_EQ(test_support::Usage().descriptors, before.descriptors);
}
