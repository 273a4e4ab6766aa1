// VXPack's commands on real directories; what they write is read back by the launcher's code.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "integrity/csv_decryptor.h"
#include "integrity/md5_manifest.h"
#include "platform/file_system_path.h"
#include "tests/platform/narrow_text_samples.h"
#include "tests/support/test_support.h"
#include "tools/vxpack/vxpack_commands.h"

using namespace test_support;

class VXPackTool : public ::testing::Test {
  protected:
    VXPackTool() {
        WriteFile(station / "Config/launcher.xml", "<Launcher/>\r\n");
        WriteFile(station / "VXLauncher", std::string("\177ELF\0\r\n\032 tail", 12));
        WriteFile(station / "Project/Data/limits.csv", "a,b\n");
        WriteFile(station / "log/Launcher.log", "log line\n");
    }

    // VXPack run with `arguments` split at blanks: its status, its output in `out` and `err`.
    int Run(const std::string& arguments) {
        std::istringstream words(arguments);
        std::vector<std::string> args;
        for (std::string word; words >> word;) args.push_back(word);
        std::ostringstream outStream, errStream;
        const int status = RunVXPack(args, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    TempDir station;
    std::string out, err, manifest = station / "Config/md5.csv";
};

TEST_F(VXPackTool, ProtectWritesWhatTheLauncherReadsBack) {
    std::string content;
    for (int i = 1; i < 256; ++i) content += char(i);
    content += "\r\nlast,line\n";
    WriteFile(station / "all.csv", content);
    WriteFile(station / "empty.csv", "");
    WriteFile(station / "zero.csv", std::string("a\0b", 3));
    // A zero byte, a name that is no .csv, a missing file: clear errors and nothing written.
    EXPECT_EQ(Run("protect " + (station / "zero.csv")), 1);
    EXPECT_NE(err.find("zero byte"), std::string::npos) << err;
    EXPECT_EQ(Run("protect " + (station / "all.csv") + " " + (station / "notes.txt")), 2);
    EXPECT_EQ(Run("protect " + (station / "missing.csv")), 1);
    EXPECT_NE(err.find("missing.csv"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(station / "zero.bry") ||
                 std::filesystem::exists(station / "all.bry"));

    ASSERT_EQ(Run("protect " + (station / "all.csv") + " " + (station / "empty.csv")), 0) << err;
    CsvDecryptor decryptor;
    std::string error;
    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    ASSERT_TRUE(decryptor.DecryptFile(station / "all.bry", station / "out.csv", error)) << error;
    EXPECT_EQ(ReadFile(station / "out.csv"), content);
    ASSERT_TRUE(decryptor.DecryptFile(station / "empty.bry", station / "out.csv", error)) << error;
    EXPECT_EQ(ReadFile(station / "out.csv"), "");
}

TEST_F(VXPackTool, ManifestIsAcceptedByTheCheckThenFlagsLaterChanges) {
    // The digests of the text-mode contents: CR LF read as LF, reading ends at 0x1A.
    const std::string vx = "/VXLauncher,07140bca431fbc640a74984258090b6e,\n",
                      xml = "/Config/launcher.xml,03c2f43670163f59040ef7dbfff94da9,\n",
                      csv = "/Project/Data/limits.csv,f69f5b72bc79a92dc70c63c9aa142e36,\n";
    EXPECT_EQ(Run("verify " + station.path), 2);  // no manifest yet
    ASSERT_EQ(Run("manifest " + station.path + " VXLauncher /Config/launcher.xml"), 0) << err;
    EXPECT_EQ(ReadFile(manifest), "md5\n" + vx + xml);  // listed paths in their order
    ASSERT_EQ(Run("manifest " + station.path + "/"), 0) << err;
    EXPECT_EQ(ReadFile(manifest), "md5\n" + xml + csv + vx);
    EXPECT_EQ(Run("verify " + station.path), 0) << out;

    // A listed path that is no file or lies outside, or a name no manifest holds: it stays.
    const std::string before = ReadFile(manifest);
    for (const char* listed : {" Project", " nothing.txt", " ../x"})
        EXPECT_EQ(Run("manifest " + station.path + listed), 2) << listed;
    for (const std::string& name : UnlistableFileNames()) {
        WriteFile(station / name, "x");
        EXPECT_EQ(Run("manifest " + station.path), 1) << name;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        std::filesystem::remove(station / name);
    }
    EXPECT_EQ(ReadFile(manifest), before);

    // Line ends changed to LF: the same text-mode content, still accepted.
    WriteFile(station / "Config/launcher.xml", "<Launcher/>\n");
    EXPECT_EQ(Run("verify " + station.path), 0) << out;
    WriteFile(station / "Project/Data/limits.csv", "a,c\n");
    std::filesystem::remove(station / "VXLauncher");
    EXPECT_EQ(Run("verify " + station.path), 1);
    EXPECT_NE(out.find("file changed: /Project/Data/limits.csv"), std::string::npos) << out;
    EXPECT_NE(out.find("not exist: /VXLauncher"), std::string::npos);
    WriteFile(manifest, "MD5\n");
    EXPECT_EQ(Run("verify " + station.path), 2);  // header wrong
}

TEST_F(VXPackTool, NamesInThePlatformsNarrowTextAreListedAndChecked) {
    // The station itself and its files named beyond ASCII (on Windows with 0x5C second bytes).
    const std::string root = station / NonAsciiNames().back(),
                      md5 = "900150983cd24fb0d6963f7d28e17f72";
    std::vector<std::string> listed;
    for (const std::string& name : NonAsciiNames()) {
        const std::filesystem::path file = ToFileSystemPath(root + "/" + name + "/" + name);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << "abc";
        listed.push_back("/" + name + "/" + name + " " + md5);
    }
    ASSERT_EQ(Run("manifest " + root + "/"), 0) << err;
    std::vector<Md5Entry> entries;
    ASSERT_TRUE(ReadMd5Manifest(root + kManifestRelativePath, entries));
    std::vector<std::string> found;
    for (const Md5Entry& entry : entries) found.push_back(entry.path + " " + entry.md5);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(found, listed);
    EXPECT_EQ(Run("verify " + root), 0) << out;
    const std::string name = NonAsciiNames().back();
    ASSERT_EQ(Run("manifest " + root + " " + name + "\\" + name), 0) << err;
    EXPECT_EQ(Run("verify " + root), 0) << out;
    std::filesystem::remove(ToFileSystemPath(root + "/" + name + "/" + name));
    EXPECT_EQ(Run("verify " + root), 1);
    EXPECT_EQ(out, "not exist: /" + name + "/" + name + "\n1 of 1 entries differ\n");
}

TEST_F(VXPackTool, UsageAndBadArguments) {
    EXPECT_EQ(Run("--help"), 0);
    const char* bad[] = {
        "",       "pack x", "verify", "verify /no/such/dir", "manifest", "manifest /no/such/dir",
        "protect"};
    for (const char* arguments : bad) EXPECT_EQ(Run(arguments), 2) << arguments;
}
