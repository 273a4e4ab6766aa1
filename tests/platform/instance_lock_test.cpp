#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/file_system_path.h"
#include "tests/platform/instance_lock_test.h"
#include "tests/support/test_process.h"
#include "tests/support/test_support.h"

namespace {

// instance_lock_holder for `dir` (given in hex: any bytes), in a process of its own; killed
// when it goes.
class LockHolder {
  public:
    explicit LockHolder(const std::string& dir) {
        std::string hex;
        for (unsigned char c : dir) hex += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
        pid = test_support::Spawn({VX_INSTANCE_LOCK_HOLDER, hex}, _said / "said.txt");
        test_support::Eventually([&] {
            said = test_support::ReadFile(_said / "said.txt");
            return said.size() >= 5 && (said.rfind("held\n") == said.size() - 5 ||
                                        said.rfind("refused\n") == said.size() - 8);
        });
    }
    ~LockHolder() { Kill(); }

    // Ends the holder by force and collects it.
    void Kill() {
        if (_ended) return;
        test_support::Kill(pid);
        test_support::WaitEnd(pid, 10000);
        _ended = true;
    }

    int pid = 0;
    std::string said;  // everything up to its "held\n" or "refused\n"

  private:
    test_support::TempDir _said;
    bool _ended = false;
};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

TEST(InstanceLock, HeldByOneProcessUntilItEndsHoweverAndEverySpellingNamesIt) {
    test_support::TempDir dir;
    EXPECT_EQ(InstallationLockHolder(dir.path), 0);
    LockHolder holder(dir.path);
    ASSERT_EQ(holder.said, "held\n");
    const std::string name = std::filesystem::path(dir.path).filename().string();
    std::vector<std::string> spellings = SystemSpellings(dir.path);
    for (const std::string& s : {dir.path, dir.path + "/", dir.path + "/../" + name})
        spellings.push_back(s);
    for (const std::string& spelling : spellings)
        EXPECT_EQ(InstallationLockHolder(spelling), holder.pid) << spelling;
    // The case of a name matters only where the system's paths are case-blind.
    EXPECT_EQ(InstallationLockHolder(Upper(dir.path)), kCaseBlindPaths ? holder.pid : 0);

    LockHolder second(dir.path);
    EXPECT_EQ(second.said, "Another launcher is running the station in " + dir.path +
                               " (Pid = " + std::to_string(holder.pid) +
                               "). This one ends and leaves the station alone; stop that "
                               "launcher first to start the station again.\nrefused\n");
    holder.Kill();
    EXPECT_EQ(InstallationLockHolder(dir.path), 0);
    LockHolder third(dir.path + "/");
    EXPECT_EQ(third.said, "held\n");
    EXPECT_EQ(InstallationLockHolder(dir.path), third.pid);
}

TEST(InstanceLock, ANonAsciiPathNamesItsOwnLockCaseBlindWhereThePathsAre) {
    test_support::TempDir dir;
    const std::string path = dir.path + "/" + kNonAsciiName;
    ASSERT_TRUE(std::filesystem::create_directory(ToFileSystemPath(path)));
    LockHolder holder(path);
    ASSERT_EQ(holder.said, "held\n");
    EXPECT_EQ(InstallationLockHolder(path), holder.pid);
    EXPECT_EQ(InstallationLockHolder(dir.path), 0);
    EXPECT_EQ(InstallationLockHolder(dir.path + "/" + kNonAsciiNameOtherCase),
              kCaseBlindPaths ? holder.pid : 0);
}
