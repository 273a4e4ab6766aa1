#include "integrity/md5_manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integrity_test_files.h"

namespace {

const std::string kAbcDigest = "900150983cd24fb0d6963f7d28e17f72";  // MD5 of "abc"
const std::string kEmptyDigest = "d41d8cd98f00b204e9800998ecf8427e";

class Md5Manifest : public ::testing::Test {
  protected:
    Md5Manifest() {
        WriteBytes(dir / "Config/launcher.xml", "abc");
        WriteBytes(dir / "bin/tool.txt", "abc");
    }

    // Runs the check on `manifest`; results start with a marker to show when they are
    // left untouched.
    bool Check(const std::string& manifest) {
        WriteBytes(dir / "Config/md5.csv", manifest);
        results = {Md5Entry{"marker", "", ""}};
        return CheckMd5Manifest(dir.Path(), dir / "Config/md5.csv", results);
    }

    static std::vector<std::string> Describe(const std::vector<Md5Entry>& entries) {
        std::vector<std::string> lines;
        for (const Md5Entry& e : entries) lines.push_back(e.state + " " + e.path + " " + e.md5);
        return lines;
    }

    TempDir dir;
    std::vector<Md5Entry> results;
};

TEST_F(Md5Manifest, HeaderOnlyMatches) {
    EXPECT_TRUE(Check("md5"));
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(Check("md5\r\n"));
    EXPECT_TRUE(Check("md5\n\n\n"));
}

TEST_F(Md5Manifest, WrongHeaderFailsWithoutFindings) {
    const std::string entry = "/missing.txt," + kAbcDigest + ",\n";
    for (const std::string header :
         {"md5 ", "MD5", "\xEF\xBB\xBFmd5", " md5", "md5,", "md5\r\r", "", "\n", "md"}) {
        SCOPED_TRACE(header);
        EXPECT_FALSE(Check(header + "\n" + entry));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].path, "marker");
    }
    EXPECT_FALSE(Check(""));
}

TEST_F(Md5Manifest, MissingManifestFailsWithoutFindings) {
    results = {Md5Entry{"marker", "", ""}};
    EXPECT_FALSE(CheckMd5Manifest(dir.Path(), dir / "Config/none.csv", results));
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(Md5Manifest, EntriesMatchWithEitherLineEndAndTrimmedFields) {
    EXPECT_TRUE(
        Check("md5\n/Config/launcher.xml," + kAbcDigest + ",\n/bin/tool.txt," + kAbcDigest + ","));
    EXPECT_TRUE(Check("md5\r\n/Config/launcher.xml," + kAbcDigest + ",\r\n"));
    EXPECT_TRUE(Check("md5\n \t/Config/launcher.xml  ,  " + kAbcDigest + "\t ,  \n"));
    EXPECT_TRUE(results.empty());
}

TEST_F(Md5Manifest, LinesWithoutTheFinalCommaAreNotEntries) {
    // Two fields: skipped, so even a missing file goes unnoticed.
    EXPECT_TRUE(Check("md5\n/missing.txt," + kAbcDigest + "\n\n   \n,\n"));
    // With the final comma, or a third field, the line is an entry.
    EXPECT_FALSE(Check("md5\n/missing.txt," + kAbcDigest + ",\n"));
    EXPECT_EQ(Describe(results), std::vector<std::string>{"not exist /missing.txt " + kAbcDigest});
    EXPECT_FALSE(Check("md5\n/missing.txt," + kAbcDigest + ",extra,fields\n"));
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(Md5Manifest, FindingsKeepManifestOrderAndRepeatDuplicates) {
    WriteBytes(dir / "changed.txt", "abd");
    EXPECT_FALSE(Check("md5\n/changed.txt," + kAbcDigest + ",\n/gone.txt," + kAbcDigest +
                       ",\n/Config/launcher.xml," + kAbcDigest + ",\n/changed.txt," + kAbcDigest +
                       ",\n"));
    EXPECT_EQ(Describe(results), (std::vector<std::string>{
                                     "file changed /changed.txt " + kAbcDigest,
                                     "not exist /gone.txt " + kAbcDigest,
                                     "file changed /changed.txt " + kAbcDigest,
                                 }));
}

TEST_F(Md5Manifest, UpperCaseDigestNeverMatches) {
    EXPECT_FALSE(Check("md5\n/Config/launcher.xml,900150983CD24FB0D6963F7D28E17F72,\n"));
    EXPECT_EQ(Describe(results), std::vector<std::string>{"file changed /Config/launcher.xml "
                                                          "900150983CD24FB0D6963F7D28E17F72"});
}

TEST_F(Md5Manifest, DirectoryListedAsFileIsChangedEvenWithTheEmptyDigest) {
    EXPECT_FALSE(Check("md5\n/bin," + kEmptyDigest + ",\n/bin/," + kEmptyDigest + ",\n"));
    EXPECT_EQ(Describe(results), (std::vector<std::string>{
                                     "file changed /bin " + kEmptyDigest,
                                     "file changed /bin/ " + kEmptyDigest,
                                 }));
}

TEST_F(Md5Manifest, LastLineWithoutLineEndAndEndOfTextByte) {
    EXPECT_FALSE(Check("md5\n/gone.txt," + kAbcDigest + ","));
    EXPECT_EQ(results.size(), 1u);
    // Text-mode reading stops at 0x1A: what follows is not read.
    EXPECT_TRUE(
        Check("md5\n/bin/tool.txt," + kAbcDigest + ",\n\x1A/gone.txt," + kAbcDigest + ",\n"));
}

TEST_F(Md5Manifest, NamesTheSystemRejectsAreReportedNotThrown) {
    std::vector<Md5Entry> entries = {
        Md5Entry{"", kAbcDigest, ""},
        Md5Entry{"/" + std::string(5000, 'n'), kAbcDigest, ""},
        Md5Entry{"/Config/launcher.xml", kAbcDigest, ""},
    };
    std::vector<Md5Entry> findings;
    EXPECT_FALSE(CompareMd5Entries("", entries, findings));
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0].state, "not exist");
    EXPECT_EQ(findings[1].state, "not exist");
    EXPECT_EQ(findings[2].state, "not exist");  // relative to "", not to the directory

    findings.clear();
    EXPECT_FALSE(CompareMd5Entries(dir.Path(), {entries[1], entries[2]}, findings));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].state, "not exist");
}

TEST_F(Md5Manifest, FormattedManifestReadsBackAsWritten) {
    std::vector<Md5Entry> entries = {Md5Entry{"/Config/launcher.xml", kAbcDigest, ""},
                                     Md5Entry{"/bin/tool.txt", kAbcDigest, ""}};
    std::string text, error;
    ASSERT_TRUE(FormatMd5Manifest(entries, text, error));
    EXPECT_EQ(text,
              "md5\n/Config/launcher.xml," + kAbcDigest + ",\n/bin/tool.txt," + kAbcDigest + ",\n");
    EXPECT_TRUE(Check(text));

    std::vector<Md5Entry> readBack;
    ASSERT_TRUE(ReadMd5Manifest(dir / "Config/md5.csv", readBack));
    ASSERT_EQ(readBack.size(), 2u);
    EXPECT_EQ(readBack[1].path, "/bin/tool.txt");
    EXPECT_EQ(readBack[1].md5, kAbcDigest);
}

TEST_F(Md5Manifest, FormattingRefusesWhatCannotBeReadBack) {
    std::string text = "untouched", error;
    for (const std::string path : {"relative.txt", "/a,b.txt", "/a\nb", "/trailing ", "/"}) {
        EXPECT_FALSE(FormatMd5Manifest({Md5Entry{path, kAbcDigest, ""}}, text, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos);
    }
    for (const std::string digest : {"", "900150983CD24FB0D6963F7D28E17F72", "abc"})
        EXPECT_FALSE(FormatMd5Manifest({Md5Entry{"/a", digest, ""}}, text, error)) << digest;
    EXPECT_EQ(text, "untouched");
}

TEST(Md5ManifestPaths, ConversionsKeepTheText) {
    EXPECT_EQ(AnsiToUtf8("/opt/st\xC3\xA4tion"), "/opt/st\xC3\xA4tion");
    EXPECT_EQ(Utf8ToAnsi("/opt/st\xC3\xA4tion"), "/opt/st\xC3\xA4tion");
    EXPECT_EQ(ToNativePath("/opt/station", true), "/opt/station");
    EXPECT_EQ(ToNativePath("/opt/station/Config/md5.csv", true), "/opt/station/Config/md5.csv");
    EXPECT_EQ(ToNativePath("a\\b", false), "a\\b");
}

}  // namespace
