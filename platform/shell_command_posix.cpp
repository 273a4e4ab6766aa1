#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/shell_command.h"

extern char** environ;

int ExecCommand(const std::string& command, std::string& output) {
    printf("ExecCommand cmd=%s\n", command.c_str());
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        printf("CreatePipe failed.\n");
        return -1;
    }
    const std::string commandLine = "/bin/sh -c " + command;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Blocked or ignored signals of the launcher would otherwise reach the shell.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"),
                    const_cast<char*>(command.c_str()), nullptr};
    pid_t pid = -1;
    int error = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    // Only the command keeps the write end, so end of data is the end of the command and
    // of everything it started.
    close(pipeFds[1]);
    if (error != 0) {
        close(pipeFds[0]);
        printf("CreateProcessA failed.cmd=%s\n", commandLine.c_str());
        return -1;
    }

    char buffer[4096];
    for (;;) {
        ssize_t count = read(pipeFds[0], buffer, sizeof(buffer) - 1);
        if (count > 0) {
            output.append(buffer, static_cast<size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(pipeFds[0]);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    printf("exec command success.output:%s\n", output.c_str());
    return 0;
}
