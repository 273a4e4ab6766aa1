#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/text_utils.h"
#include "test_support.h"

extern char** environ;

namespace {

// A copy of the helper under a name no other process on the machine has, started with
// `sleep` so that killing it by name can never hit anyone else's process.
class UniqueHelper {
  public:
    explicit UniqueHelper(const std::string& suffix) {
        _name = "vxKill_" + std::to_string(getpid()) + "_LongerThanFifteen" + suffix;
        _path = _dir.Path() + "/" + _name;
        std::system(("cp '" VX_TEST_CHILD "' '" + _path + "'").c_str());
    }
    ~UniqueHelper() {
        for (pid_t pid : _pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t Start() {
        char* argv[] = {const_cast<char*>(_path.c_str()), const_cast<char*>("sleep"),
                        const_cast<char*>("30000"), nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, _path.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
        _pids.push_back(pid);
        return pid;
    }
    // Waits for the child and tells the signal that ended it (0 if it was not a signal).
    int Reap(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        _pids.erase(std::remove(_pids.begin(), _pids.end(), pid), _pids.end());
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    const std::string& Name() const { return _name; }

  private:
    test_support::TempDir _dir;
    std::string _name;
    std::string _path;
    std::vector<pid_t> _pids;
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(FindProcessesByName, MatchesFullExecutableNameIgnoringCaseAndExeSuffix) {
    UniqueHelper helper(".exe");
    pid_t first = helper.Start();
    pid_t second = helper.Start();
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    // The process must have executed the copy before its name can be seen.
    std::vector<unsigned int> expected{static_cast<unsigned int>(std::min(first, second)),
                                       static_cast<unsigned int>(std::max(first, second))};
    ASSERT_TRUE(
        test_support::WaitFor([&] { return FindProcessesByName(helper.Name()) == expected; }));

    std::string withoutSuffix = helper.Name().substr(0, helper.Name().size() - 4);
    EXPECT_EQ(FindProcessesByName(withoutSuffix), expected);
    EXPECT_EQ(FindProcessesByName(Upper(withoutSuffix)), expected);
    EXPECT_EQ(FindProcessesByName(withoutSuffix.substr(0, 15)), std::vector<unsigned int>{});
    EXPECT_EQ(FindProcessesByName("/tmp/" + helper.Name()), std::vector<unsigned int>{});
}

TEST(FindProcessesByName, NeverFindsTheCallingProcess) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    ASSERT_GT(length, 0);
    self[length] = '\0';
    std::vector<unsigned int> found = FindProcessesByName(GetFileName(self));
    EXPECT_EQ(std::count(found.begin(), found.end(), static_cast<unsigned int>(getpid())), 0);
}

TEST(KillProcessByName, KillsEveryMatchAndReturnsTheirIds) {
    UniqueHelper helper("");
    pid_t pid = helper.Start();
    ASSERT_GT(pid, 0);
    std::vector<unsigned int> expected{static_cast<unsigned int>(pid)};
    ASSERT_TRUE(
        test_support::WaitFor([&] { return FindProcessesByName(helper.Name()) == expected; }));
    EXPECT_EQ(KillProcessByName(helper.Name()), expected);
    EXPECT_EQ(helper.Reap(pid), SIGKILL);
    EXPECT_EQ(KillProcessByName(helper.Name()), std::vector<unsigned int>{});
}

TEST(KillProcessById, KillsByIdAndFailsForAMissingProcess) {
    UniqueHelper helper("");
    pid_t pid = helper.Start();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(KillProcessById(static_cast<unsigned int>(pid)));
    EXPECT_EQ(helper.Reap(pid), SIGKILL);
    EXPECT_FALSE(KillProcessById(static_cast<unsigned int>(pid)));  // reaped: no such process
    EXPECT_FALSE(KillProcessById(0));
}
