#pragma once
// Backend-internal: where the console's events come from on this platform. The shared
// handling (messages, the callback, the order of the program's end) is console_events.cpp.

#include <string>

// Starts delivering the platform's console events to ConsoleCtrlHandler, one at a time, on a
// thread other than the caller's. False, with the system's reason in `error`, when that is
// not possible.
bool StartConsoleEventSource(std::string& error);

// Without waiting: the code of a close, shutdown or Ctrl-Break that has arrived and that no
// thread has taken yet, or -1.
int TakeWaitingEndEvent();

// Ends the program the way the event `eventCode` ends it.
[[noreturn]] void EndProgramByEvent(int eventCode);
