#pragma once
// The console events the quit tests send a launcher on this system (quit_events_<system>.cpp).

#include <vector>

#include "station_fixture.h"

struct QuitEvent {
    const char* name;  // in the test's name
    const char* line;  // what the launcher prints when it takes the event
    ConsoleEvent event;
    const char* end;  // the launcher's end, as WaitEnd says it
};

extern const std::vector<QuitEvent> kQuitEvents;
