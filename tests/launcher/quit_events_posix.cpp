#include "quit_events.h"

// Ctrl-C, a closed console, a shutdown and Ctrl-Break: SIGINT, SIGHUP, SIGTERM and SIGQUIT.
const std::vector<QuitEvent> kQuitEvents = {
    {"CtrlC", "CTRL_C_EVENT \n", kConsoleCtrlC, "exit 0"},
    {"Close", "CTRL_CLOSE_EVENT \n", kConsoleClose, "signal 1"},
    {"Shutdown", "CTRL_SHUTDOWN_EVENT \n", kConsoleShutdown, "signal 15"},
    {"Break", "CTRL_BREAK_EVENT \n", kConsoleBreak, "signal 3"},
};
