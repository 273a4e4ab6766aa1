#include "platform/spawn_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

int SpawnWithOutput(const std::vector<std::string>& arguments, const std::string& workPath,
                    int outputFd, int& pid) {
    if (arguments.empty()) return ENOENT;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
    // Descriptors other code of the launcher opened without close-on-exec stay behind too.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // The working directory changes in the child only; a missing one fails the spawn.
    if (!workPath.empty()) posix_spawn_file_actions_addchdir_np(&actions, workPath.c_str());

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The launcher blocks the console signals in its threads, and an embedded interpreter
    // ignores SIGPIPE; both would survive exec. The child starts with a clean slate.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    // glibc's posix_spawnp reports a failed exec or chdir as its result, not as a child
    // exit code.
    pid_t child = -1;
    int error = posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error == 0) pid = child;
    return error;
}
