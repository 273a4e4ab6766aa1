#pragma once
// What the child runner's tests share: the helper child, collected output, and the few
// questions about processes and this process's resources that each system answers its way
// (child_process_<platform>_test.cpp).

#include <string>
#include <vector>

#include "platform/child_process.h"

using Chunks = std::vector<std::string>;

extern const std::string kChild;

// Hands `chunk` to the Chunks that `chunks` points to (guarded: the readers are threads).
void Collect(ExcuteProcess*, const std::string& chunk, void* chunks);
std::string Joined(const Chunks& chunks);

// Starts `command` in the temporary directory with its output collected into `chunks`.
void Start(ExcuteProcess& runner, Chunks& chunks, const std::string& command);

// Runs `command` until its output is `expected`; nothing more may come once it is closed.
Chunks RunUntil(const std::string& command, const std::string& expected);

// How many threads and open handles (descriptors) this process has.
struct Usage {
    int threads = 0;
    int handles = 0;
};
Usage CurrentUsage();

// True once process `pid` no longer runs (an unreaped one counts as ended).
bool HasEnded(int pid);
// True once process `pid` has ended and nothing holds its id any more (the system may take
// a moment to release it).
bool IsGone(int pid);
// True once the child `pid` has ended and its runner has collected it, as far as the system
// shows: on POSIX reaped (no zombie left); on Windows ended, since the runner keeps only a
// handle, which the system lists nowhere, until CloseProcess.
bool IsCollected(int pid);

// Starts a child while this process holds an inheritable handle (descriptor) of its own and
// checks that the child got its pipe and standard input only.
void ExpectOnlyThePipeInherited();
