#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/console_writer.h"

void PrepareConsoleWriterThread() {
    // A console pipe whose reader has gone raises SIGPIPE in the writing thread; blocked
    // here, the write fails with EPIPE instead of ending the launcher and orphaning its
    // children. The standard output itself stays blocking: that flag is shared with the
    // terminal or pipe of whoever started the launcher.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
}

bool WriteToConsole(const char* data, size_t size) {
    while (size > 0) {
        ssize_t count = write(STDOUT_FILENO, data, size);
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += count;
        size -= static_cast<size_t>(count);
    }
    return true;
}

void OpenNullOnClosedStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // open() takes the lowest free descriptor, which is this one.
        int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) close(opened);
    }
}
