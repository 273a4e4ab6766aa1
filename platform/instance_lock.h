#pragma once
// One launcher per station installation. The lock is named after the installation directory
// rather than kept as a file in it, so that a read-only installation can be locked too. It
// belongs to the process that takes it: it goes when that process ends, however it ends, and
// no process started by the holder ever holds it.

#include <string>

// Makes this process the holder of the lock of the installation at `installationDir` until it
// ends; every spelling of one directory names one lock. True when this process holds it (a
// second call too), and also when the lock cannot be made at all: then a console line says
// so, and the station is run unguarded rather than not at all. False when another process
// holds it: a console line names that process and says what to do, and the caller should end
// without touching the station. Writes on standard output only, as the log is the holder's.
bool LockInstallation(const std::string& installationDir);

// Id of the process that holds the lock of `installationDir`: 0 when none does, -1 when one
// does but cannot be named. Asking leaves the lock with its holder.
int InstallationLockHolder(const std::string& installationDir);
