#pragma once

// Process id of the process that owns a TCP socket (IPv4 or IPv6) listening on exactly
// `port`, or -1 when none does (also for ports outside 1..65535, and when the owner cannot
// be seen, as another user's process without the rights to look). Only an exact match of
// the local port counts; a socket shared by several processes names the lowest id. Cheap
// when nothing listens: one question to the system per address family; the processes are
// searched only when a socket was found.
int GetListeningPid(int port);
