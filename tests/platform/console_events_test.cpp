#include "tests/platform/console_events_test.h"

#include <gtest/gtest.h>

#include "tests/support/test_process.h"
#include "tests/support/test_support.h"

using namespace test_support;

EventRun Deliver(ConsoleEvent event) {
    TempDir dir;
    const std::string said = dir / "said.txt";
    const int pid = Spawn({VX_CONSOLE_EVENT_PROGRAM}, said);
    EXPECT_TRUE(Eventually([&] { return ReadFile(said) == "ready\n"; })) << ReadFile(said);
    const bool delivered = SendConsoleEvent(pid, event);
    EXPECT_TRUE(delivered);
    if (!delivered) Kill(pid);  // it would wait for ever
    const std::string ended = WaitEnd(pid, 10000);
    return {ReadFile(said), ended};
}

TEST(ConsoleEvents, CtrlCRunsTheCallbackOnceAndTheProgramEndsThroughItsLoop) {
    const EventRun run = Deliver(kConsoleCtrlC);
    EXPECT_EQ(run.said, "ready\nCTRL_C_EVENT \ncallback ran\nloop ended\n");
    EXPECT_EQ(run.ended, "exit 0");
}
