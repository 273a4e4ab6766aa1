#pragma once
// The embedded Python interpreter's start and end. Where the interpreter comes from and how it
// is set up differ by system: on Linux the library the launcher was linked with, started in
// UTF-8 mode with the locale left alone; on Windows python3.dll (the stable ABI of any CPython 3
// from 3.8), loaded only when a station script is about to run, so that the launcher starts
// without Python and can say what it looked for.

#include <string>

// Loads the interpreter when that is needed and initialises it without signal handlers, so that
// the launcher's own Ctrl-C and termination handling stays in place. True when the caller may
// call the interpreter; false, with `reason` set to a line for the operator (what was looked
// for, and where), when the interpreter cannot be had. Pair every true with StopPythonRuntime.
bool StartPythonRuntime(std::string& reason);

// Finalises the interpreter started by StartPythonRuntime. A later StartPythonRuntime starts a
// fresh one.
void StopPythonRuntime();
