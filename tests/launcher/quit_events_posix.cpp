#include <signal.h>

#include "quit_events.h"

// Ctrl-C, a closed console, a shutdown and Ctrl-Break: SIGINT, SIGHUP, SIGTERM and SIGQUIT.
const std::vector<QuitEvent> kQuitEvents = {
    {"CtrlC", "CTRL_C_EVENT \n", [](station_test::Station& s) { s.CtrlC(); }, "exit 0"},
    {"Close", "CTRL_CLOSE_EVENT \n", [](station_test::Station& s) { s.Signal(SIGHUP); },
     "signal 1"},
    {"Shutdown", "CTRL_SHUTDOWN_EVENT \n", [](station_test::Station& s) { s.Signal(SIGTERM); },
     "signal 15"},
    {"Break", "CTRL_BREAK_EVENT \n", [](station_test::Station& s) { s.Signal(SIGQUIT); },
     "signal 3"},
};
