#include "tests/platform/console_events_test.h"

#include <gtest/gtest.h>

TEST(ConsoleEvents, CtrlCRunsTheCallbackOnceAndTheProgramEndsThroughItsLoop) {
    const EventRun run = Deliver(kConsoleCtrlC);
    EXPECT_EQ(run.said, "ready\nCTRL_C_EVENT \ncallback ran\nloop ended\n");
    EXPECT_EQ(run.ended, "exit 0");
}
