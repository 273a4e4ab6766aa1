// LocalFile where the system refuses: permissions, links and overlong names.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "integrity/local_file.h"
#include "platform/console_output.h"
#include "tests/support/test_support.h"

static std::string Error(const std::string& name, const std::string& message, int code) {
    return name + "|" + message + "|" + std::to_string(code);
}
// What `action` raised as "name|message|code", or "none".
static std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return Error(error.name(), error.message(), error.code());
    }
    return "none";
}

TEST(LocalFilePosix, LinkLoopsAndOverlongNamesAreBadPaths) {
    test_support::TempDir dir;
    const std::string tooLong = dir / std::string(NAME_MAX + 1, 'n'), loop = dir / "a";
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);  // a link to itself
    EXPECT_EQ(Raised([&] { LocalFile(tooLong).Exists(); }),
              Error("Bad path syntax", tooLong, ENAMETOOLONG));
    EXPECT_EQ(Raised([&] { LocalFile(loop).Exists(); }), Error("Bad path syntax", loop, ELOOP));
}

TEST(LocalFilePosix, PermissionsAreObeyed) {
    test_support::TempDir dir;
    std::string locked = dir / "locked.json", behindClosed = dir / "closed/a.json", text;
    test_support::WriteFile(locked, "{}");
    ASSERT_EQ(chmod(locked.c_str(), 0) | mkdir((dir / "closed").c_str(), 0) |
                  chmod(dir.path.c_str(), 0755),
              0);
    // Root reads anything: a forked child drops root and reports by its _exit code (no exit
    // handlers). The console thread runs before the fork, so the child never starts a thread.
    ConsoleWrite("\n", 1);
    ConsoleFlush(5000);
    pid_t child = fork();
    if (child == 0) {
        bool obeyed = (geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0)) &&
                      LocalFile(locked).Exists() &&  // present, but cannot be opened
                      !LocalFile(locked).ReadAllText(text) && text.empty() &&
                      Raised([&] { LocalFile(behindClosed).Exists(); }) ==
                          Error("Access to file denied", behindClosed, EACCES);
        _exit(obeyed ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "exited normally with 0";
}
