#pragma once
// Backend-internal: the primitives of the console buffer (console_output.cpp).

#include <cstddef>

// Prepares the calling thread to write the console: a console that has gone away must make a
// write fail rather than end the launcher.
void PrepareConsoleWriterThread();

// Writes all `size` bytes to the standard output, blocking while the console does not read.
// False when the console cannot be written any more.
bool WriteToConsole(const char* data, size_t size);

// Opens the null device on every standard stream that is closed.
void OpenNullOnClosedStandardStreams();
