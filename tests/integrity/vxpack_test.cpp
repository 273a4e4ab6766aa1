// VXPack run as a real process; what it writes is read back by the launcher's own code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "integrity/csv_decryptor.h"
#include "integrity/md5_manifest.h"
#include "integrity_test_files.h"

namespace {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class VXPackTool : public ::testing::Test {
  protected:
    RunResult Run(const std::string& arguments) {
        const std::string command = std::string(VXPACK_PATH) + " " + arguments + " >" +
                                    (scratch / "out") + " 2>" + (scratch / "err");
        int raw = std::system(command.c_str());
        RunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadBytes(scratch / "out");
        result.err = ReadBytes(scratch / "err");
        return result;
    }

    void MakeStation() {
        WriteBytes(station / "Config/launcher.xml", "<Launcher/>\r\n");
        WriteBytes(station / "VXLauncher", std::string("\x7f"
                                                       "ELF\0\r\n\x1A tail",
                                                       12));
        WriteBytes(station / "Project/VX/TesterConfig/config.py", "def get_configA(f):\r\n");
        WriteBytes(station / "Project/Data/limits.csv", "a,b\n");
        WriteBytes(station / "log/Launcher.log", "log line\n");
    }

    std::vector<Md5Entry> Findings() {
        std::vector<Md5Entry> findings;
        CheckMd5Manifest(station.Path(), station / "Config/md5.csv", findings);
        return findings;
    }

    TempDir station;
    TempDir scratch;
};

TEST_F(VXPackTool, ProtectedFilesDecryptByteForByte) {
    std::string content;
    for (int i = 1; i < 256; ++i) content += char(i);
    content += "\r\nlast,line\n";
    WriteBytes(station / "limits.csv", content);
    WriteBytes(station / "empty.csv", "");
    RunResult run = Run("protect " + (station / "limits.csv") + " " + (station / "empty.csv"));
    ASSERT_EQ(run.status, 0) << run.err;

    CsvDecryptor decryptor;
    std::string error;
    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    ASSERT_TRUE(decryptor.DecryptFile(station / "limits.bry", station / "out.csv", error)) << error;
    EXPECT_EQ(ReadBytes(station / "out.csv"), content);
    ASSERT_TRUE(decryptor.DecryptFile(station / "empty.bry", station / "out.csv", error)) << error;
    EXPECT_EQ(ReadBytes(station / "out.csv"), "");
}

TEST_F(VXPackTool, ProtectRefusesZeroBytesAndNonCsvNamesWritingNothing) {
    WriteBytes(station / "good.csv", "fine\n");
    WriteBytes(station / "zero.csv", std::string("a\0b", 3));
    RunResult run = Run("protect " + (station / "zero.csv"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("zero byte"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(station / "zero.bry"));

    run = Run("protect " + (station / "good.csv") + " " + (station / "notes.txt"));
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(std::filesystem::exists(station / "good.bry"));

    run = Run("protect " + (station / "missing.csv"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.csv"), std::string::npos);
}

TEST_F(VXPackTool, ManifestIsAcceptedThenFlagsLaterChanges) {
    MakeStation();
    RunResult run = Run("manifest " + station.Path() + "/");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBytes(station / "Config/md5.csv"),
              "md5\n"
              "/Config/launcher.xml," +
                  PlainMd5("<Launcher/>\n") +
                  ",\n"
                  "/Project/Data/limits.csv," +
                  PlainMd5("a,b\n") +
                  ",\n"
                  "/Project/VX/TesterConfig/config.py," +
                  PlainMd5("def get_configA(f):\n") +
                  ",\n"
                  "/VXLauncher," +
                  PlainMd5(std::string("\x7f"
                                       "ELF\0\n",
                                       6)) +
                  ",\n");
    EXPECT_TRUE(Findings().empty());
    EXPECT_EQ(Run("verify " + station.Path()).status, 0);

    // Line ends changed to LF: same text-mode content, still accepted.
    WriteBytes(station / "Config/launcher.xml", "<Launcher/>\n");
    EXPECT_TRUE(Findings().empty());

    WriteBytes(station / "Project/Data/limits.csv", "a,c\n");
    std::filesystem::remove(station / "VXLauncher");
    std::vector<Md5Entry> findings = Findings();
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].path + " " + findings[0].state, "/Project/Data/limits.csv file changed");
    EXPECT_EQ(findings[1].path + " " + findings[1].state, "/VXLauncher not exist");

    run = Run("verify " + station.Path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("file changed: /Project/Data/limits.csv"), std::string::npos);
    EXPECT_NE(run.out.find("not exist: /VXLauncher"), std::string::npos);
}

TEST_F(VXPackTool, ManifestOfListedPathsKeepsTheirOrder) {
    MakeStation();
    RunResult run = Run("manifest " + station.Path() + " VXLauncher /Config/launcher.xml");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Md5Entry> entries;
    ASSERT_TRUE(ReadMd5Manifest(station / "Config/md5.csv", entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, "/VXLauncher");
    EXPECT_EQ(entries[1].path, "/Config/launcher.xml");

    // A listed path that is no file, or leaves the directory: nothing is written.
    const std::string before = ReadBytes(station / "Config/md5.csv");
    EXPECT_EQ(Run("manifest " + station.Path() + " Project").status, 2);
    EXPECT_EQ(Run("manifest " + station.Path() + " nothing.txt").status, 2);
    EXPECT_EQ(Run("manifest " + station.Path() + " ../x").status, 2);
    EXPECT_EQ(ReadBytes(station / "Config/md5.csv"), before);
}

TEST_F(VXPackTool, ManifestRefusesNamesItCannotWrite) {
    MakeStation();
    WriteBytes(station / "Config/md5.csv", "md5\n");
    WriteBytes(station / "a,b.txt", "x");
    RunResult run = Run("manifest " + station.Path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("a,b.txt"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(station / "Config/md5.csv"), "md5\n");
}

TEST_F(VXPackTool, VerifyExitStatuses) {
    MakeStation();
    EXPECT_EQ(Run("verify " + station.Path()).status, 2);  // no manifest
    WriteBytes(station / "Config/md5.csv", "MD5\n");
    EXPECT_EQ(Run("verify " + station.Path()).status, 2);  // header wrong
    WriteBytes(station / "Config/md5.csv", "md5\n");
    EXPECT_EQ(Run("verify " + station.Path()).status, 0);
    WriteBytes(station / "Config/md5.csv", "md5\n/gone," + PlainMd5("") + ",\n");
    EXPECT_EQ(Run("verify " + station.Path()).status, 1);
    EXPECT_EQ(Run("verify " + (station / "nowhere")).status, 2);
    EXPECT_EQ(Run("verify").status, 2);
}

TEST_F(VXPackTool, UsageAndBadArguments) {
    RunResult help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("VXPack manifest DIR"), std::string::npos);
    EXPECT_EQ(Run("").status, 2);
    RunResult unknown = Run("pack x");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command pack"), std::string::npos);
    EXPECT_EQ(Run("manifest").status, 2);
    EXPECT_EQ(Run("manifest " + (station / "nowhere")).status, 2);
    EXPECT_EQ(Run("protect").status, 2);
}

}  // namespace
