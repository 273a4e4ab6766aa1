#pragma once
// Turns the console's Ctrl-C, close and shutdown events into one call of a quit callback.
// POSIX: SIGINT is Ctrl-C (code 0), SIGHUP the console being closed (2), SIGTERM system
// shutdown (6). SIGQUIT keeps its default action, as Ctrl-Break does.

// Console event codes as the handler receives them.
enum ConsoleEvent {
    kConsoleCtrlC = 0,
    kConsoleBreak = 1,
    kConsoleClose = 2,
    kConsoleLogoff = 5,
    kConsoleShutdown = 6,
};

typedef bool (*ConsoleQuitCallback)();

// Stores `callback` (replacing an earlier one) and starts delivering console events to
// ConsoleCtrlHandler on a thread of its own, never inside a signal handler. Call on the main
// thread before any other thread is started: the events are blocked in the calling thread,
// and every thread created afterwards inherits that. After a close or shutdown event the
// program ends, once the callback has returned, the way that signal ends it.
void SetConsoleQuitCallback(ConsoleQuitCallback callback);

// Handles one event: for Ctrl-C, close and shutdown prints the event's text
// ("CTRL_C_EVENT \n", "CTRL_CLOSE_EVENT \n", "CTRL_SHUTDOWN_EVENT \n"), runs the callback to
// its end and returns true; returns false for any other code without a message.
bool ConsoleCtrlHandler(int eventCode);

// True from the moment a close or shutdown event is taken on: the event's thread is about to
// end the process the way that signal ends it, and no other thread may end it first.
bool IsConsoleEnding();
