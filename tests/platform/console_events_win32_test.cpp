// Console events on Win32, delivered as the system delivers a typed Ctrl-C: the program has a
// console of its own, which this process attaches to and generates the event on. That needs no
// terminal, so it works under CTest and in CI, Wine included. Close and shutdown cannot be
// caused from a test (no console window to close, no shutdown).
#include <gtest/gtest.h>

#include "tests/platform/console_events_test.h"
#include "tests/support/test_process.h"

TEST(ConsoleEvents, BreakRunsTheCallbackThenEndsTheProgramAsTheSystemWould) {
    if (test_support::UnderWine())
        GTEST_SKIP() << "Wine 8 fails GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT) with "
                        "ERROR_INVALID_HANDLE: no Ctrl-Break reaches a program";
    const EventRun run = Deliver(kConsoleBreak);
    EXPECT_EQ(run.said, "ready\nCTRL_BREAK_EVENT \ncallback ran\n");
    EXPECT_EQ(run.ended, "exit 58");  // the low byte of STATUS_CONTROL_C_EXIT, 0xC000013A
}
