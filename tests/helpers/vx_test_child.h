#pragma once
// The tests' helper child: argv[1] picks a mode; each output is one write to standard output,
// unbuffered, so that a reader sees it as the child wrote it. The modes and what they print
// are the same on every system; the system's own parts live in vx_test_child_<platform>.cpp.

#include <cstddef>
#include <string>

namespace vx_test_child {

struct Mode {
    const char* name;
    int (*run)(int argc, char** argv);
};

// Writes all of `text` to standard output; 0 when it did, 1 when the pipe refused it (so a
// mode may end with it).
int Say(const std::string& text);

// Sleeps until the process is killed.
[[noreturn]] void SleepForever();

// The mode's argument number `index` (counted after the mode) as a number, or `fallback`.
unsigned long long Arg(int argc, char** argv, int index, unsigned long long fallback = 0);

// Runs the program argv[0] with the arguments that follow it (up to a null) and waits for its
// end: its exit status, 128 + the signal that ended it, or 127 when it could not be started.
int RunProgram(char** argv);

// The system's own modes (ignore-term, grandchild and, where there are signals, signals),
// beside the portable ones of vx_test_child.cpp.
extern const Mode kPlatformModes[];
extern const std::size_t kPlatformModeCount;

}  // namespace vx_test_child
