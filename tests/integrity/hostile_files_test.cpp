// Station files that are not what they seem (FIFOs, sparse files, links, modes): each reader
// takes only a bounded regular file, never waiting; decrypted CSVs follow no link, keep modes.
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

// `read()` on a thread; should it wait on the FIFO `fifo` 5 s, the test fails; a writer frees it.
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

// In `dir` under `name` + the kind: a directory, a FIFO, a link to it, a sparse file of `hugeSize`.
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
    // Three that are no file, a sparse file of 100 GiB and one just above the bound.
    std::vector<std::string> sources = NoneOfThemAFileToRead(dir, "limits", uint64_t(100) << 30);
    sources.push_back(dir / "above.bry");
    WriteFile(sources.back(), "");
    ASSERT_EQ(truncate(sources.back().c_str(), off_t(kMaxProtectedFileSize + 1)), 0);
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string& source = sources[i];
        WriteFile(target, "previous content");
        error.clear();
        EXPECT_FALSE(
            WithoutWaitingOn(source, [&] { return decryptor.DecryptFile(source, target, error); }));
        EXPECT_EQ(error, (i < 3 ? notAFile : tooLarge) + remedy) << source;
        EXPECT_EQ(ReadFile(target), "previous content");
        EXPECT_FALSE(std::filesystem::exists(target + ".vxtmp"));
    }
}

TEST(HostileStationFiles, EveryReaderRefusesWhatIsNoRegularFileOrTooLargeWithoutWaiting) {
    TempDir dir;
    // Beyond every reader's bound: settings and project files, port file, manifest.
    const uint64_t huge = kMaxManifestSize + 1;
    XmlNode node;
    PortMap ports;
    for (const std::string& path : NoneOfThemAFileToRead(dir, "Proj.prj", huge))
        EXPECT_FALSE(WithoutWaitingOn(path, [&] { return LoadXmlFile(path, node); })) << path;
    for (const std::string& path : NoneOfThemAFileToRead(dir, "zmqports.json", huge))
        EXPECT_FALSE(WithoutWaitingOn(path, [&] { return ports.ReadPortFile(path); })) << path;
    // The manifest says why; a listed file that is no regular file has no digest.
    const std::vector<std::string> manifests = NoneOfThemAFileToRead(dir, "md5.csv", huge);
    for (size_t i = 0; i < manifests.size(); ++i)  // the last one is the sparse file
        EXPECT_EQ(
            WithoutWaitingOn(manifests[i],
                             [&] { return ForEachMd5Entry(manifests[i], [](const Md5Entry&) {}); }),
            i == 3 ? ManifestRead::TooLarge : ManifestRead::NotRegularFile)
            << manifests[i];
    EXPECT_EQ(ManifestProblem(ManifestRead::TooLarge), "is larger than 268435456 bytes");
    std::string digest = "untouched";
    for (const std::string& listed : {manifests[1], manifests[2]})
        EXPECT_FALSE(WithoutWaitingOn(listed, [&] { return GetFileMd5(listed, digest); }));
    EXPECT_EQ(digest, "untouched");
}

struct stat Stat(const std::string& path) {  // of the entry itself, not what a link names
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
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
        EXPECT_EQ(Stat(target).st_mode, S_IFREG | 0640);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));
    }
    EXPECT_EQ(ReadFile(secret), "not yours");
    EXPECT_EQ(Stat(secret).st_mode, S_IFREG | 0600);
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    // An operator's chmod 600 (and the owner, where the launcher may keep it) survives.
    const bool root = geteuid() == 0;
    ASSERT_TRUE(chmod(target.c_str(), 0600) == 0 &&
                (!root || chown(target.c_str(), 65534, 65534) == 0));
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(Stat(target).st_mode, S_IFREG | 0600);
    EXPECT_TRUE(!root || Stat(target).st_uid == 65534);

    // A temporary file left by a crash does not stop the next start.
    WriteFile(temporary, "half written");
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(ReadFile(target), "a,b\n1,2\n");
    EXPECT_FALSE(std::filesystem::exists(temporary));

    // A target that is a link is replaced by the file; what it pointed to is left alone.
    std::filesystem::remove(target);
    ASSERT_EQ(symlink(secret.c_str(), target.c_str()), 0);
    ASSERT_TRUE(decryptor.DecryptFile(source, target, error)) << error;
    EXPECT_EQ(Stat(target).st_mode, S_IFREG | 0640);
    EXPECT_EQ(ReadFile(secret), "not yours");
}

}  // namespace
