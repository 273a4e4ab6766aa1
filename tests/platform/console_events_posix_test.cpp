// Console events on POSIX are signals: SIGINT, SIGHUP, SIGTERM and SIGQUIT.
#include <gtest/gtest.h>

#include "tests/platform/console_events_test.h"

TEST(ConsoleEvents, CloseShutdownAndBreakRunTheCallbackThenEndTheProgramByTheirSignal) {
    const struct {
        ConsoleEvent event;
        const char* said;
        const char* ended;
    } cases[] = {{kConsoleClose, "ready\nCTRL_CLOSE_EVENT \ncallback ran\n", "signal 1"},
                 {kConsoleShutdown, "ready\nCTRL_SHUTDOWN_EVENT \ncallback ran\n", "signal 15"},
                 {kConsoleBreak, "ready\nCTRL_BREAK_EVENT \ncallback ran\n", "signal 3"}};
    for (const auto& c : cases) {
        const EventRun run = Deliver(c.event);
        EXPECT_EQ(run.said, c.said) << c.ended;
        EXPECT_EQ(run.ended, c.ended);
    }
}
