// The child runner's primitives on POSIX: posix_spawn with the output on a pipe, a reader
// woken through an eventfd, the child's end seen through a pidfd, and its process group
// ended with SIGKILL.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/child_pipe.h"
#include "platform/command_line.h"
#include "platform/proc_scan_posix.h"
#include "platform/spawn_posix.h"

namespace {

void CloseDescriptor(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Whether `program` (relative to `workPath` unless absolute) is a file that can be run. Bare
// names are looked up on PATH by the spawn and are not taken apart at blanks.
bool NamesProgram(const std::string& program, const std::string& workPath) {
    if (program.find('/') == std::string::npos) return false;
    std::string path = program;
    if (program[0] != '/' && !workPath.empty()) path = workPath + "/" + program;
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// Whether any process but `leader` still belongs to the process group `leader` led. A
// group's id stays reserved while its ended leader is kept unreaped, so the group can be
// signalled safely until then; once it has no other member, the leader can go.
bool GroupHasOtherMembers(pid_t leader) {
    const std::vector<unsigned int> pids = proc_scan::ProcessIds();
    if (pids.empty()) return true;  // cannot tell: keep the group's id reserved
    const unsigned int group = static_cast<unsigned int>(leader);
    for (unsigned int pid : pids) {
        if (pid != group && proc_scan::GroupId(pid) == group) return true;
    }
    return false;
}

}  // namespace

struct ChildPipe::Handles {
    pid_t pid = -1;
    int readFd = -1;
    int wakeFd = -1;  // eventfd: Wake makes the reader's poll return
    int pidFd = -1;   // readable once the child has ended; -1 without kernel support
    bool pipeOpen = true;
    bool endReported = false;
    ChildExit exit;
    // Guards `reaped` between the reader, which may collect an ended child, and KillTree,
    // which signals its group only while the child is unreaped.
    std::mutex reapMutex;
    bool reaped = false;

    // Collects the ended child if its group has emptied; until then its unreaped entry keeps
    // the group's id from passing to an unrelated group that KillTree would then signal.
    void ReleaseIfGroupEmpty() {
        std::lock_guard<std::mutex> lock(reapMutex);
        if (reaped || GroupHasOtherMembers(pid)) return;
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        reaped = true;
    }
};

ChildPipe::ChildPipe() : _handles(new Handles) {}

ChildPipe::~ChildPipe() {
    CloseDescriptor(_handles->readFd);
    CloseDescriptor(_handles->wakeFd);
    CloseDescriptor(_handles->pidFd);
}

int ChildPipe::Pid() const {
    return _handles->pid;
}

ChildExit ChildPipe::Exit() const {
    return _handles->exit;
}

ChildPipe::StartResult ChildPipe::Start(const std::string& commandLine, const std::string& workPath,
                                        std::unique_ptr<ChildPipe>& child) {
    // The arguments are complete before anything is created, so a failure leaves nothing.
    std::vector<std::string> arguments = SplitProgramCommandLine(
        commandLine, [&](const std::string& program) { return NamesProgram(program, workPath); });

    // Every descriptor is close-on-exec: only the dup2 in the spawn hands the write end to
    // this child, never to a child another thread starts meanwhile.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return StartResult::kNoPipe;
    int wakeFd = eventfd(0, EFD_CLOEXEC);
    if (wakeFd < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return StartResult::kNoPipe;
    }

    int pid = -1;
    int error = SpawnWithOutput(arguments, workPath, pipeFds[1], pid);
    // The child holds its own copy of the write end; without the parent's, end of data comes
    // when the child and everything it started have gone.
    close(pipeFds[1]);
    if (error != 0) {
        close(pipeFds[0]);
        close(wakeFd);
        return StartResult::kNotStarted;
    }

    // Only the launcher's end: the child's end is a description of its own and stays blocking.
    fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    child.reset(new ChildPipe());
    Handles& handles = *child->_handles;
    handles.pid = pid;
    handles.readFd = pipeFds[0];
    handles.wakeFd = wakeFd;
    // (Through syscall: glibc 2.36 declares pidfd_open without C linkage for C++.) A pidfd is
    // always close-on-exec.
    handles.pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    return StartResult::kStarted;
}

ChildPipe::ReadResult ChildPipe::Read(char* buffer, size_t capacity, size_t& count, bool wait) {
    Handles& handles = *_handles;
    count = 0;
    for (;;) {
        // The read end does not block: while output streams in, the reader goes from chunk to
        // chunk without a poll.
        if (handles.pipeOpen) {
            ssize_t got = read(handles.readFd, buffer, capacity);
            if (got > 0) {
                count = static_cast<size_t>(got);
                return ReadResult::kData;
            }
            if (got == 0) {
                handles.pipeOpen = false;  // every writer has closed the pipe
                if (handles.endReported) handles.ReleaseIfGroupEmpty();
            } else if (errno == EINTR) {
                continue;
            } else if (errno != EAGAIN) {
                count = static_cast<size_t>(errno);
                return ReadResult::kFailed;
            }
        }
        if (!wait) return handles.pipeOpen ? ReadResult::kNothing : ReadResult::kEndOfData;
        // Without a pidfd the child's end shows only as the end of data.
        if (!handles.pipeOpen && (handles.endReported || handles.pidFd < 0))
            return ReadResult::kEndOfData;

        enum { kPipe, kWake, kChild };
        struct pollfd waits[3];
        waits[kPipe] = {handles.pipeOpen ? handles.readFd : -1, POLLIN, 0};
        waits[kWake] = {handles.wakeFd, POLLIN, 0};
        waits[kChild] = {handles.endReported ? -1 : handles.pidFd, POLLIN, 0};
        if (poll(waits, 3, -1) < 0) {
            if (errno == EINTR) continue;
            count = static_cast<size_t>(errno);
            return ReadResult::kFailed;
        }
        if (waits[kWake].revents != 0) return ReadResult::kWoken;
        // Output first: what the child wrote before it ended comes before the news of its end.
        if (waits[kPipe].revents != 0) continue;
        if (waits[kChild].revents != 0) {
            // The status is read but the child left unreaped (WNOWAIT), see ReleaseIfGroupEmpty.
            siginfo_t info;
            memset(&info, 0, sizeof(info));
            if (waitid(P_PID, static_cast<id_t>(handles.pid), &info, WEXITED | WNOHANG | WNOWAIT) ==
                    0 &&
                info.si_pid == handles.pid) {
                handles.exit.known = true;
                handles.exit.bySignal = info.si_code != CLD_EXITED;
                handles.exit.code = info.si_status;
            }
            handles.endReported = true;
            handles.ReleaseIfGroupEmpty();
            return ReadResult::kChildEnded;
        }
    }
}

void ChildPipe::Wake() {
    uint64_t one = 1;
    while (write(_handles->wakeFd, &one, sizeof(one)) < 0 && errno == EINTR) {
    }
}

void ChildPipe::KillTree() {
    Handles& handles = *_handles;
    std::lock_guard<std::mutex> lock(handles.reapMutex);
    if (handles.reaped) return;  // the group had emptied: its id may be another's by now
    // The group holds whatever the child started, even after the child itself has gone.
    kill(-handles.pid, SIGKILL);
    // The child itself too, should it have left its group: through its pidfd, which can never
    // name a recycled process; without one the pid is still the unreaped child's.
    if (handles.pidFd >= 0) {
        syscall(SYS_pidfd_send_signal, handles.pidFd, SIGKILL, nullptr, 0);
    } else {
        kill(handles.pid, SIGKILL);
    }
}

ChildExit ChildPipe::Reap() {
    Handles& handles = *_handles;
    std::lock_guard<std::mutex> lock(handles.reapMutex);
    if (handles.reaped) return handles.exit;
    int status = 0;
    pid_t got;
    while ((got = waitpid(handles.pid, &status, 0)) < 0 && errno == EINTR) {
    }
    handles.reaped = true;
    if (got == handles.pid) {
        handles.exit.known = true;
        handles.exit.bySignal = WIFSIGNALED(status);
        handles.exit.code = WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
    }
    return handles.exit;
}
