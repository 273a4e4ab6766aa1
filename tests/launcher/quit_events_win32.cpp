#include "quit_events.h"

// Ctrl-C only: Wine 8 cannot deliver Ctrl-Break to a console's processes, and it kills a
// program on a close or shutdown without calling its handler.
const std::vector<QuitEvent> kQuitEvents = {
    {"CtrlC", "CTRL_C_EVENT \n", kConsoleCtrlC, "exit 0"},
};
