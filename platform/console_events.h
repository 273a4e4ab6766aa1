#pragma once
// Turns the console's events (Ctrl-C, Ctrl-Break, the console being closed, system shutdown)
// into calls of one quit callback, one event at a time, on a thread that is not the main one.

// Console event codes as the handler receives them.
enum ConsoleEvent {
    kConsoleCtrlC = 0,
    kConsoleBreak = 1,
    kConsoleClose = 2,
    kConsoleLogoff = 5,
    kConsoleShutdown = 6,
};

typedef bool (*ConsoleQuitCallback)();

// Stores `callback` (replacing an earlier one) and takes the console's events over: from then
// on each event reaches ConsoleCtrlHandler, never inside a signal or interrupt context. Call
// first thing in the program, before any other thread exists and before anything that may
// take time, so that even an early event is handled like any other. A console close that the
// program's starter told it to ignore stays ignored. False, with the reason printed, when the
// events cannot be taken over.
bool SetConsoleQuitCallback(ConsoleQuitCallback callback);

// Handles one event. Ctrl-C: prints "CTRL_C_EVENT \n", runs the callback to its end and
// returns true. Close, shutdown and Ctrl-Break: prints "CTRL_CLOSE_EVENT \n",
// "CTRL_SHUTDOWN_EVENT \n" or "CTRL_BREAK_EVENT \n", runs the callback, then ends the program
// the way that event ends it, and does not return. Any other code: false, without a message.
// Waits while another event is handled, and for ever once ClaimProgramEnd has been called.
bool ConsoleCtrlHandler(int eventCode);

// While the program sets up what the callback needs (its log), events wait for it; none is
// lost. Hold and release on the same thread, before ClaimProgramEnd.
void HoldConsoleEvents();
void ReleaseConsoleEvents();

// For the program's own end: waits until no event is being handled, and from then on none is
// (a later one waits until the program has gone). If a close, shutdown or Ctrl-Break has
// arrived that was not handled yet, it is handled now and ends the program its way; this
// function then does not return. Once it returns, the program may tear down what the callback
// uses (its log) and end with a status of its own.
void ClaimProgramEnd();
