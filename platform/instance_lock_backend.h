#pragma once
// What each backend of the instance lock provides: a lock known to the whole system by a
// name, held by a process until it ends. Internal to platform/.

#include <string>

namespace instance_lock_backend {

enum class HoldResult {
    kHeld,   // this process holds it now, until it ends; processes it starts do not
    kTaken,  // another process holds it
    kFailed  // the lock cannot be made; `error` says why
};

// The text that stands for the installation directory in the lock's name: one text for
// every spelling of one directory as this system reads paths.
std::string DirectoryKey(const std::string& installationDir);

// `name` is made of letters, digits and '-' only.
HoldResult Hold(const std::string& name, std::string& error);

// Id of the holder of `name`: 0 when none holds it, -1 when one does but cannot be named.
int Holder(const std::string& name);

}  // namespace instance_lock_backend
