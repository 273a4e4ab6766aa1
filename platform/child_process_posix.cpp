#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/spawn_posix.h"

namespace {

const size_t kChunkSize = 1023;
// What a pipe can hold at most (its largest size), in chunks: the end of a reader's drain.
const size_t kMaxDrainChunks = 1024;

void CloseDescriptor(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Waits for the child to end and collects it, so that it leaves no zombie behind.
void ReapChild(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

struct ExcuteProcess::State {
    pid_t pid = -1;
    int readFd = -1;
    int wakeFd = -1;      // eventfd: CloseProcess wakes the reader's poll through it
    int pidFd = -1;       // readable once the child has ended
    bool reaped = false;  // written by the reader, read by CloseProcess after the join
    bool closed = false;
    std::atomic<bool> running{true};
    std::thread reader;
};

ExcuteProcess::ExcuteProcess() : _state(new State) {}

ExcuteProcess::~ExcuteProcess() {
    if (!_state->closed) CloseProcess();
}

int ExcuteProcess::GetPid() const {
    return _state->pid;
}

bool ExcuteProcess::CreateProcess(const std::string& commandLine) {
    State& state = *_state;
    if (state.pid > 0 || state.closed) {  // one child per runner
        printf("CreateProcess failed. workpath=%s, cmd=%s\n", _workPath.c_str(),
               commandLine.c_str());
        return false;
    }
    // Every descriptor is close-on-exec: only the dup2 in the spawn hands the write end to
    // this child, never to a child another thread starts meanwhile.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        printf("CreatePipe failed.\n");
        return false;
    }
    int wakeFd = eventfd(0, EFD_CLOEXEC);
    if (wakeFd < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        printf("CreatePipe failed.\n");
        return false;
    }

    SpawnOptions options;
    options.workPath = _workPath;
    options.nullInput = true;
    // Its own process group, so that CloseProcess also ends whatever the child started.
    options.ownProcessGroup = true;
    int pid = -1;
    int error = SpawnWithOutput(SplitCommandLine(commandLine), options, pipeFds[1], pid);
    // The child holds its own copy of the write end; without the parent's, end of data comes
    // when the child and everything it started have gone.
    close(pipeFds[1]);
    if (error != 0) {
        close(pipeFds[0]);
        close(wakeFd);
        printf("CreateProcess failed. workpath=%s, cmd=%s\n", _workPath.c_str(),
               commandLine.c_str());
        return false;
    }

    // Only the launcher's end: the child's end is a description of its own and stays
    // blocking.
    fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    state.pid = pid;
    state.readFd = pipeFds[0];
    state.wakeFd = wakeFd;
    // Without a pidfd (an older kernel) the child is reaped by CloseProcess instead.
    // (Through syscall: glibc 2.36 declares pidfd_open without C linkage for C++.) A pidfd is
    // always close-on-exec.
    state.pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    printf("CreateProcess success. workpath=%s, cmd=%s\n", _workPath.c_str(), commandLine.c_str());
    state.reader = std::thread(&ExcuteProcess::ReadPipe, this);
    return true;
}

void ExcuteProcess::ReadPipe() {
    State& state = *_state;
    char buffer[kChunkSize + 1];
    enum { kPipe, kWake, kChild };
    struct pollfd waits[3];
    waits[kPipe] = {state.readFd, POLLIN, 0};
    waits[kWake] = {state.wakeFd, POLLIN, 0};
    waits[kChild] = {state.pidFd, POLLIN, 0};  // a negative descriptor is skipped by poll

    while (state.running) {
        // The read end does not block: while output streams in, the reader goes from chunk
        // to chunk without a poll, and sees CloseProcess by the running flag in between.
        if (waits[kPipe].fd >= 0) {
            ssize_t count = read(state.readFd, buffer, kChunkSize);
            if (count > 0) {
                buffer[count] = '\0';
                DeliverChunk(buffer, static_cast<size_t>(count));
                continue;
            }
            if (count == 0) {
                waits[kPipe].fd = -1;  // every writer has closed the pipe
            } else if (errno == EINTR) {
                continue;
            } else if (errno != EAGAIN) {
                printf("UnHandler read pipe error.errno=%d", errno);
                return;
            }
        }
        if (waits[kPipe].fd < 0 && waits[kChild].fd < 0) return;  // nothing left to wait for

        if (poll(waits, 3, -1) < 0) {
            if (errno == EINTR) continue;
            printf("UnHandler read pipe error.errno=%d", errno);
            return;
        }
        if (waits[kWake].revents != 0) break;  // CloseProcess: end quietly
        if (waits[kChild].revents != 0) {
            // The child ended: collect it at once so that no zombie stays until shutdown.
            // Output still in the pipe, or written by what it started, is read on.
            // (-1 means someone else collected it, e.g. with SIGCHLD ignored: done as well.)
            if (waitpid(state.pid, nullptr, WNOHANG) != 0) {
                state.reaped = true;
                waits[kChild].fd = -1;
            }
        }
    }
    // CloseProcess has killed the child first: what it wrote before it died is still in the
    // pipe and is handed on. Bounded, in case something outside the child's group still writes.
    if (waits[kPipe].fd < 0) return;
    for (size_t chunk = 0; chunk < kMaxDrainChunks;) {
        ssize_t count = read(state.readFd, buffer, kChunkSize);
        if (count > 0) {
            buffer[count] = '\0';
            DeliverChunk(buffer, static_cast<size_t>(count));
            ++chunk;
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

void ExcuteProcess::CloseProcess() {
    State& state = *_state;
    if (state.closed) {
        printf("CloseProcess success.\n");
        return;
    }
    state.closed = true;
    if (state.pid > 0) {
        // Killed before the reader stops, so that nothing the child wrote is lost. The group
        // holds whatever the child started, even after the child itself is gone.
        kill(-state.pid, SIGKILL);
        // The child itself too, should it have left its group: through its pidfd, which can
        // never name a recycled process; without one the reader never reaps, so the pid is
        // still the child's.
        if (state.pidFd >= 0) {
            syscall(SYS_pidfd_send_signal, state.pidFd, SIGKILL, nullptr, 0);
        } else {
            kill(state.pid, SIGKILL);
        }
    }
    state.running = false;
    if (state.reader.joinable()) {
        // Wake the reader's poll; it ends between two chunks, never inside the callback.
        uint64_t one = 1;
        while (write(state.wakeFd, &one, sizeof(one)) < 0 && errno == EINTR) {
        }
        state.reader.join();
    }
    CloseDescriptor(state.readFd);
    CloseDescriptor(state.wakeFd);
    if (state.pid > 0 && !state.reaped) {
        ReapChild(state.pid);
        state.reaped = true;
    }
    CloseDescriptor(state.pidFd);
    printf("CloseProcess success.\n");
}
