// VXPack run as a real process; what it writes is read back by the launcher's own code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "integrity/csv_decryptor.h"
#include "integrity_test_files.h"

namespace {

// One manifest line for `path` holding `text` after the text-mode reading.
std::string Line(const std::string& path, const std::string& text) {
    return path + "," + PlainMd5(text) + ",\n";
}

class VXPackTool : public ::testing::Test {
  protected:
    VXPackTool() {
        WriteBytes(station / "Config/launcher.xml", "<Launcher/>\r\n");
        WriteBytes(station / "VXLauncher", std::string("\177ELF\0\r\n\032 tail", 12));
        WriteBytes(station / "Project/Data/limits.csv", "a,b\n");
        WriteBytes(station / "log/Launcher.log", "log line\n");
    }

    // Runs VXPack with `arguments`: its exit status, output in `out` and `err`.
    int Run(const std::string& arguments) {
        const std::string command =
            VXPACK_PATH " " + arguments + " >" + (scratch / "out") + " 2>" + (scratch / "err");
        const int raw = std::system(command.c_str());
        out = ReadBytes(scratch / "out");
        err = ReadBytes(scratch / "err");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    TempDir station, scratch;
    std::string out, err, manifest = station / "Config/md5.csv";
};

TEST_F(VXPackTool, ProtectWritesWhatTheLauncherReadsBack) {
    std::string content;
    for (int i = 1; i < 256; ++i) content += char(i);
    content += "\r\nlast,line\n";
    WriteBytes(station / "all.csv", content);
    WriteBytes(station / "empty.csv", "");
    WriteBytes(station / "zero.csv", std::string("a\0b", 3));
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
    EXPECT_EQ(ReadBytes(station / "out.csv"), content);
    ASSERT_TRUE(decryptor.DecryptFile(station / "empty.bry", station / "out.csv", error)) << error;
    EXPECT_EQ(ReadBytes(station / "out.csv"), "");
}

TEST_F(VXPackTool, ManifestIsAcceptedByTheCheckThenFlagsLaterChanges) {
    const std::string vx = Line("/VXLauncher", std::string("\177ELF\0\n", 6)),
                      xml = Line("/Config/launcher.xml", "<Launcher/>\n");
    EXPECT_EQ(Run("verify " + station.Path()), 2);  // no manifest yet
    ASSERT_EQ(Run("manifest " + station.Path() + " VXLauncher /Config/launcher.xml"), 0) << err;
    EXPECT_EQ(ReadBytes(manifest), "md5\n" + vx + xml);  // listed paths in their order
    ASSERT_EQ(Run("manifest " + station.Path() + "/"), 0) << err;
    EXPECT_EQ(ReadBytes(manifest), "md5\n" + xml + Line("/Project/Data/limits.csv", "a,b\n") + vx);
    EXPECT_EQ(Run("verify " + station.Path()), 0) << out;

    // A listed path that is no file or leaves the directory, or a name no manifest can hold:
    // the manifest stays as it was.
    const std::string before = ReadBytes(manifest);
    for (const char* listed : {" Project", " nothing.txt", " ../x"})
        EXPECT_EQ(Run("manifest " + station.Path() + listed), 2) << listed;
    for (const char* name : {"a,b.txt", "trailing ", "a\nb"}) {
        WriteBytes(station / name, "x");
        EXPECT_EQ(Run("manifest " + station.Path()), 1) << name;
        EXPECT_NE(err.find(name), std::string::npos) << err;
        std::filesystem::remove(station / name);
    }
    EXPECT_EQ(ReadBytes(manifest), before);

    // Line ends changed to LF: the same text-mode content, still accepted.
    WriteBytes(station / "Config/launcher.xml", "<Launcher/>\n");
    EXPECT_EQ(Run("verify " + station.Path()), 0) << out;
    WriteBytes(station / "Project/Data/limits.csv", "a,c\n");
    std::filesystem::remove(station / "VXLauncher");
    EXPECT_EQ(Run("verify " + station.Path()), 1);
    EXPECT_NE(out.find("file changed: /Project/Data/limits.csv"), std::string::npos) << out;
    EXPECT_NE(out.find("not exist: /VXLauncher"), std::string::npos);
    WriteBytes(manifest, "MD5\n");
    EXPECT_EQ(Run("verify " + station.Path()), 2);  // header wrong
}

TEST_F(VXPackTool, UsageAndBadArguments) {
    EXPECT_EQ(Run("--help"), 0);
    const char* bad[] = {
        "",       "pack x", "verify", "verify /no/such/dir", "manifest", "manifest /no/such/dir",
        "protect"};
    for (const char* arguments : bad) EXPECT_EQ(Run(arguments), 2) << arguments;
}

}  // namespace
