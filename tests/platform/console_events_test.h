#pragma once
// What the console event tests share: a run of console_event_program that gets one event.

#include <string>

#include "platform/console_events.h"

struct EventRun {
    std::string said;   // everything the program wrote
    std::string ended;  // as test_support::WaitEnd says it
};

// Starts the event program, delivers `event` as the system delivers it once the program says
// "ready", and waits for the program's end.
EventRun Deliver(ConsoleEvent event);
