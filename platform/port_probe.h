#pragma once

// Process id of the process that owns a TCP socket (IPv4 or IPv6) listening on exactly
// `port`, or -1 when none does (also for ports outside 1..65535). Cheap when nothing
// listens: one kernel query per address family.
int GetListeningPid(int port);
