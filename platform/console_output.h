#pragma once
// The launcher's console: every line it shows (its own messages, the runners' messages and
// the children's output) goes through one bounded buffer that a thread of its own writes out.
// A console that stops reading (a full pipe, a paused terminal) therefore never holds up the
// caller: the log, the readers and the handling of console events go on. All functions are
// safe to call from any thread.

#include <cstddef>
#include <cstdint>

#include "platform/printf_check.h"

// Makes sure the three standard streams are open, on the null device where the launcher was
// started without one, so that no file the launcher opens later takes their place. Call first.
void OpenMissingStandardStreams();

// Queues `size` bytes for the console and returns without waiting for the console. Bytes are
// written in the order queued. When the buffer (a few MiB) cannot take the whole piece, the
// piece is dropped and counted; the count is written to the log as an ERROR record once the
// console takes output again, or at ConsoleFlush.
void ConsoleWrite(const char* data, size_t size);

// printf-style text queued as ConsoleWrite does, never truncated.
void ConsolePrintf(const char* format, ...) VX_PRINTF_FORMAT(1, 2);

// Waits until everything queued has been written, or `timeoutMs` has passed. True when the
// buffer was emptied. Logs the count of bytes dropped so far, if any.
bool ConsoleFlush(int timeoutMs);

// Bytes dropped since the start because the console did not keep up.
uint64_t ConsoleDroppedBytes();
