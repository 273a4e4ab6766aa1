#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/shell_command.h"
#include "platform/spawn_posix.h"

int ExecCommand(const std::string& command, std::string& output) {
    printf("ExecCommand cmd=%s\n", command.c_str());
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        printf("CreatePipe failed.\n");
        return -1;
    }
    const std::string commandLine = "/bin/sh -c " + command;

    // Standard input stays the launcher's own, as the command's caller expects.
    int pid = -1;
    int error = SpawnWithOutput({"/bin/sh", "-c", command}, SpawnOptions(), pipeFds[1], pid);
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
