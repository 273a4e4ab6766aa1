// The manifest check and the text-mode digests it compares.
#include "integrity/md5_manifest.h"

#include <Poco/MD5Engine.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "integrity/text_mode_stream.h"
#include "platform/file_system_path.h"
#include "tests/platform/narrow_text_samples.h"
#include "tests/support/test_support.h"

using namespace test_support;

static std::string PlainMd5(const std::string& bytes) {
    Poco::MD5Engine engine;
    engine.update(bytes);
    return Poco::DigestEngine::digestToHex(engine.digest());
}

static const std::string A = "900150983cd24fb0d6963f7d28e17f72";  // MD5 of "abc"
static const std::string kUpper = "900150983CD24FB0D6963F7D28E17F72";
static const std::string kEmpty = "d41d8cd98f00b204e9800998ecf8427e";
// A name in the platform's narrow text (on Windows, with a 0x5C second byte) keeps its bytes.
static const std::string kTool = "/bin/" + NonAsciiNames().back() + ".txt";
using Findings = std::vector<std::string>;
static const Findings kUntouched = {"- marker -"};  // the check gave no findings at all

static std::string Entry(const std::string& path, const std::string& md5 = A) {
    return path + "," + md5 + ",\n";
}

class Md5Manifest : public ::testing::Test {
  protected:
    Md5Manifest() {
        WriteFile(dir / "Config/launcher.xml", "abc");
        // Made through the launcher's path conversion: the test library's names are not narrow
        // text on Windows.
        const std::filesystem::path tool = ToFileSystemPath(dir.path + kTool);
        std::filesystem::create_directories(tool.parent_path());
        std::ofstream(tool, std::ios::binary) << "abc";
        WriteFile(dir / "changed.txt", "abd");
    }

    // Runs the check on `manifest`; findings as "state path digest" lines.
    bool Check(const std::string& manifest, const std::string& name = "md5.csv") {
        WriteFile(dir / "Config/md5.csv", manifest);
        std::vector<Md5Entry> results = {Md5Entry{"marker", "-", "-"}};
        bool matched = CheckMd5Manifest(dir.path, dir / ("Config/" + name), results);
        findings.clear();
        for (const Md5Entry& e : results) findings.push_back(e.state + " " + e.path + " " + e.md5);
        return matched;
    }

    TempDir dir;
    Findings findings;
};

TEST_F(Md5Manifest, DigestIsTakenOverTheTextModeContent) {
    std::string binary;  // neither CR nor 0x1A: the plain digest
    for (int i = 0; i < 256; ++i)
        if (i != '\r' && i != 0x1A) binary += char(i);
    // CR LF reads as LF, a lone CR stays, reading ends at 0x1A (a CR before it stays).
    // clang-format off
    std::vector<std::pair<std::string, std::string>> rows = {
        {"abc", "abc"}, {binary, binary}, {"a,b\r\nc,d\r\n", "a,b\nc,d\n"},
        {"a\rb\r", "a\rb\r"}, {"a\r\r\nb\n\r", "a\r\nb\n\r"},
        {"abc\032def", "abc"}, {"\032abc", ""}, {"ab\r\032\n", "ab\r"}};
    // clang-format on
    // Line ends on the digest's copy size and on the reader's chunks.
    for (size_t size : {size_t(8192), TextModeFileBuf::kChunkSize, 2 * TextModeFileBuf::kChunkSize})
        for (const std::string tail : {"\r\nyz", "\rq", "\r"}) {
            const std::string x(size - 1, 'x');
            rows.push_back({x + tail, x + (tail[1] == '\n' ? "\nyz" : tail)});
        }
    for (const auto& [raw, text] : rows) {  // read both ways: digest and stream
        WriteFile(dir / "file", raw);
        std::string digest;
        EXPECT_TRUE(GetFileMd5(dir / "file", digest));
        EXPECT_EQ(digest, PlainMd5(text)) << raw.size() << raw.substr(0, 20);
        TextModeFileStream in(dir / "file");
        std::ostringstream read;
        read << in.rdbuf();
        EXPECT_EQ(read.str(), text) << raw.size() << raw.substr(0, 20);
    }
}

TEST_F(Md5Manifest, FormatRulesAndFindings) {
    const std::string gone = "not exist /gone.txt " + A, changed = "file changed /changed.txt " + A;
    const std::string longName = "/" + std::string(5000, 'n');
    // clang-format off
    std::vector<std::pair<std::string, Findings>> rows = {
        {"md5", {}}, {"md5\r\n", {}}, {"md5\n\n\n", {}}, {"", kUntouched},
        // Either line end; trimmed fields; no line end needed on the last line.
        {"md5\n" + Entry("/Config/launcher.xml") + kTool + "," + A + ",", {}},
        {"md5\r\n/Config/launcher.xml," + A + ",\r\n", {}},
        {"md5\n \t/Config/launcher.xml  ,  " + A + "\t ,  \n", {}},
        {"md5\n/gone.txt," + A + ",", {gone}},
        // Without the final comma a line is no entry, so even a missing file goes unnoticed.
        {"md5\n/gone.txt," + A + "\n\n   \n,\n", {}},
        {"md5\n/gone.txt," + A + ",extra,fields\n", {gone}},
        // Findings in manifest order, duplicates repeated; digests compared exactly.
        {"md5\n" + Entry("/changed.txt") + Entry("/gone.txt") + Entry(kTool) +
            Entry("/changed.txt"), {changed, gone, changed}},
        {"md5\n" + Entry(kTool, kUpper), {"file changed " + kTool + " " + kUpper}},
        // A directory is no file, even with the digest of nothing; a name too long is missing.
        {"md5\n" + Entry("/bin", kEmpty) + Entry("/bin/", kEmpty) + Entry(longName),
            {"file changed /bin " + kEmpty, "file changed /bin/ " + kEmpty,
             "not exist " + longName + " " + A}},
        // Text-mode reading stops at 0x1A: what follows is not read.
        {"md5\n" + Entry(kTool) + "\x1A" + Entry("/gone.txt"), {}}};
    // clang-format on
    for (const std::string header :
         {"md5 ", "MD5", "\xEF\xBB\xBFmd5", " md5", "md5,", "md5\r\r", "", "\n", "md"})
        rows.push_back({header + "\n" + Entry("/gone.txt"), kUntouched});
    for (const auto& row : rows) {
        EXPECT_EQ(Check(row.first), row.second.empty()) << row.first;
        EXPECT_EQ(findings, row.second) << row.first;
    }
    EXPECT_FALSE(Check("md5\n", "none.csv"));
    EXPECT_EQ(findings, kUntouched);
}
