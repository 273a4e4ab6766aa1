// Station files that are not what they seem (POSIX: FIFOs, sparse files, links, modes). Every
// reader of station files reads only a regular file of bounded size and never waits on a FIFO;
// writing a decrypted CSV follows no planted link and keeps the target's permissions.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "config/port_map.h"
#include "config/xml_node.h"
#include "integrity/csv_decryptor.h"
#include "integrity/md5_manifest.h"
#include "tests/support/test_support.h"

using namespace test_support;

namespace {

// `read()` on a thread. Should it wait on the FIFO at `fifo`, a writer that comes and goes at
// once ends the wait after five seconds, and the test fails.
template <class Read>
auto WithoutWaitingOn(const std::string& fifo, Read read) {
    auto result = std::async(std::launch::async, read);
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "waited on the FIFO " << fifo;
        int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    return result.get();
}

// In `dir`: a directory, a FIFO, a link to the FIFO and a sparse file of `hugeSize` bytes, each
// under `name` + its kind; returns the four paths.
std::vector<std::string> NoneOfThemAFileToRead(const TempDir& dir, const std::string& name,
                                               uint64_t hugeSize) {
    const std::string directory = dir / (name + ".dir"), fifo = dir / (name + ".fifo"),
                      link = dir / (name + ".link"), huge = dir / (name + ".huge");
    std::filesystem::create_directories(directory + "/inside");
    EXPECT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(symlink(fifo.c_str(), link.c_str()), 0);
    WriteFile(huge, "");
    EXPECT_EQ(truncate(huge.c_str(), off_t(hugeSize)), 0);
    return {directory, fifo, link, huge};
}

TEST(HostileProtectedFile, DirectoryFifoOrHugeFileIsRefusedAndTheTargetUntouched) {
    TempDir dir;
    CsvDecryptor decryptor;
    std::string error;
    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    const std::string target = dir / "limits.csv",
                      remedy = "; put the protected file written by VXPack protect in its place";
    const std::string notAFile = "srcfile is not a regular file (a directory, FIFO or device)";
    const std::string tooLarge =
        "srcfile is larger than " + std::to_string(kMaxProtectedFileSize) + " bytes";
    const std::vector<std::string> bad =
        NoneOfThemAFileToRead(dir, "limits", uint64_t(100) << 30);  // 100 GiB, 0 bytes on disk
    const std::string justAbove = dir / "above.bry";
    WriteFile(justAbove, "");
    ASSERT_EQ(truncate(justAbove.c_str(), off_t(kMaxProtectedFileSize + 1)), 0);
    const std::pair<std::string, std::string> cases[] = {{bad[0], notAFile},
                                                         {bad[1], notAFile},
                                                         {bad[2], notAFile},
                                                         {bad[3], tooLarge},
                                                         {justAbove, tooLarge}};
    for (const auto& [source, reason] : cases) {
        WriteFile(target, "previous content");
        error.clear();
        EXPECT_FALSE(
            WithoutWaitingOn(source, [&] { return decryptor.DecryptFile(source, target, error); }));
        EXPECT_EQ(error, reason + remedy) << source;
        EXPECT_EQ(ReadFile(target), "previous content");
        EXPECT_FALSE(std::filesystem::exists(target + ".vxtmp"));
    }
}

TEST(HostileStationFiles, EveryReaderRefusesWhatIsNoRegularFileOrTooLargeWithoutWaiting) {
    TempDir dir;
    // Beyond every reader's bound: settings and project files, port file, manifest.
    const uint64_t huge = kMaxManifestSize + 1;
    XmlNode node;
    for (const std::string& path : NoneOfThemAFileToRead(dir, "Proj.prj", huge))
        EXPECT_FALSE(WithoutWaitingOn(path, [&] { return LoadXmlFile(path, node); })) << path;
    for (const std::string& path : NoneOfThemAFileToRead(dir, "zmqports.json", huge)) {
        PortMap ports;
        EXPECT_FALSE(WithoutWaitingOn(path, [&] { return ports.ReadPortFile(path); })) << path;
    }
    // The manifest says why; a listed file that is no regular file has no digest.
    const std::vector<std::string> manifests = NoneOfThemAFileToRead(dir, "md5.csv", huge);
    const ManifestRead expected[] = {ManifestRead::NotRegularFile, ManifestRead::NotRegularFile,
                                     ManifestRead::NotRegularFile, ManifestRead::TooLarge};
    for (size_t i = 0; i < manifests.size(); ++i) {
        EXPECT_EQ(
            WithoutWaitingOn(manifests[i],
                             [&] { return ForEachMd5Entry(manifests[i], [](const Md5Entry&) {}); }),
            expected[i])
            << manifests[i];
    }
    EXPECT_EQ(ManifestProblem(ManifestRead::TooLarge), "is larger than 268435456 bytes");
    std::string digest = "untouched";
    for (const std::string& listed : {manifests[1], manifests[2]})
        EXPECT_FALSE(WithoutWaitingOn(listed, [&] { return GetFileMd5(listed, digest); }));
    EXPECT_EQ(digest, "untouched");
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode;
}

uid_t OwnerOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_uid;
}

TEST(DecryptedCsvWriting, NoPlantedLinkIsFollowedAndPermissionsAreKept) {
    TempDir station, elsewhere;
    umask(022);
    CsvDecryptor decryptor;
    std::string error, text;
    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    ASSERT_TRUE(decryptor.ProtectText("a,b\n1,2\n", text, error));
    const std::string source = station / "limits.bry", target = station / "limits.csv",
                      temporary = target + ".vxtmp", secret = elsewhere / "secret";
    WriteFile(source, text);
    ASSERT_EQ(chmod(source.c_str(), 0640), 0);
    WriteFile(secret, "not yours");
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);

    // A link planted at the temporary name, to a file and to nowhere: the write goes to a new
    // file of its own, and a new target is no wider than the protected source.
    const std::string nowhere = elsewhere / "created";
    for (const std::string& planted : {secret, nowhere}) {
        std::filesystem::remove(target);
        ASSERT_EQ(symlink(planted.c_str(), temporary.c_str()), 0);
        ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
        EXPECT_EQ(ReadFile(target), "a,b\n1,2\n");
        EXPECT_EQ(ModeOf(target), S_IFREG | 0640);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));
    }
    EXPECT_EQ(ReadFile(secret), "not yours");
    EXPECT_EQ(ModeOf(secret), S_IFREG | 0600);
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    // An operator's chmod 600 (and the owner, where the launcher may keep it) survives.
    ASSERT_EQ(chmod(target.c_str(), 0600), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(ModeOf(target), S_IFREG | 0600);
    if (root) {
        EXPECT_EQ(OwnerOf(target), uid_t(65534));
    }

    // A temporary file left by a crash does not stop the next start.
    WriteFile(temporary, "half written");
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(ReadFile(target), "a,b\n1,2\n");
    EXPECT_FALSE(std::filesystem::exists(temporary));

    // A target that is a link is replaced by the file; what it pointed to is left alone.
    std::filesystem::remove(target);
    ASSERT_EQ(symlink(secret.c_str(), target.c_str()), 0);
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(ModeOf(target), S_IFREG | 0640);
    EXPECT_EQ(ReadFile(secret), "not yours");
}

}  // namespace
