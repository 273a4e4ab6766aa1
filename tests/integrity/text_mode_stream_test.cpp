#include "integrity/text_mode_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "integrity/md5_manifest.h"
#include "integrity_test_files.h"

namespace {

// What a text-mode read gives, written the obvious way for comparison.
std::string TranslateSlowly(const std::string& raw) {
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == 0x1A) break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    return text;
}

std::string ReadThroughFilter(const std::string& path) {
    TextModeFileStream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TextModeDigest : public ::testing::Test {
  protected:
    std::string DigestOf(const std::string& raw) {
        WriteBytes(dir / "file", raw);
        std::string digest;
        EXPECT_TRUE(GetFileMd5(dir / "file", digest));
        return digest;
    }
    TempDir dir;
};

TEST_F(TextModeDigest, CrLfReadsAsLf) {
    EXPECT_EQ(DigestOf("a,b\r\nc,d\r\n"), DigestOf("a,b\nc,d\n"));
    EXPECT_EQ(DigestOf("a,b\r\nc,d\r\n"), PlainMd5("a,b\nc,d\n"));
}

TEST_F(TextModeDigest, PlainFilesHaveTheirOrdinaryDigest) {
    EXPECT_EQ(DigestOf(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DigestOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
    std::string binary;
    for (int i = 0; i < 256; ++i)
        if (i != '\r' && i != 0x1A) binary += char(i);
    EXPECT_EQ(DigestOf(binary), PlainMd5(binary));
}

TEST_F(TextModeDigest, LoneCarriageReturnsStay) {
    EXPECT_EQ(DigestOf("a\rb\r"), PlainMd5("a\rb\r"));
    EXPECT_EQ(DigestOf("a\r\r\nb\n\r"), PlainMd5("a\r\nb\n\r"));
    EXPECT_EQ(DigestOf("\r"), PlainMd5("\r"));
}

TEST_F(TextModeDigest, ReadingEndsAtTheFirstEndOfTextByte) {
    EXPECT_EQ(DigestOf(std::string("abc\x1A"
                                   "def",
                                   7)),
              PlainMd5("abc"));
    EXPECT_EQ(DigestOf(std::string("\x1A"
                                   "abc",
                                   4)),
              PlainMd5(""));
    // A CR before the end byte has no LF after it: it stays.
    EXPECT_EQ(DigestOf(std::string("ab\r\x1A\n", 5)), PlainMd5("ab\r"));
}

TEST_F(TextModeDigest, CrLfSplitAcrossReadChunks) {
    // At the copy size of the digest and at the filter's own read size.
    for (size_t boundary :
         {size_t(8192), TextModeFileBuf::kChunkSize, 2 * TextModeFileBuf::kChunkSize}) {
        SCOPED_TRACE(boundary);
        std::string raw(boundary - 1, 'x');
        raw += "\r\nyz";
        EXPECT_EQ(DigestOf(raw), PlainMd5(std::string(boundary - 1, 'x') + "\nyz"));
        std::string lone(boundary - 1, 'x');
        lone += "\rq";
        EXPECT_EQ(DigestOf(lone), PlainMd5(lone));
        std::string atEnd(boundary - 1, 'x');
        atEnd += "\r";
        EXPECT_EQ(DigestOf(atEnd), PlainMd5(atEnd));
    }
}

TEST_F(TextModeDigest, LargeRandomTextAgreesWithSlowTranslation) {
    std::mt19937 random(5);
    const char alphabet[] = {'a', '\r', '\n', ',', '\r', 'z'};
    std::string raw(3 * TextModeFileBuf::kChunkSize + 17, ' ');
    for (char& c : raw) c = alphabet[random() % sizeof alphabet];
    WriteBytes(dir / "big", raw);
    EXPECT_EQ(ReadThroughFilter(dir / "big"), TranslateSlowly(raw));
    raw[raw.size() / 2] = 0x1A;
    WriteBytes(dir / "big", raw);
    EXPECT_EQ(ReadThroughFilter(dir / "big"), TranslateSlowly(raw));
    std::string digest;
    ASSERT_TRUE(GetFileMd5(dir / "big", digest));
    EXPECT_EQ(digest, PlainMd5(TranslateSlowly(raw)));
}

TEST_F(TextModeDigest, NoDigestForMissingFilesOrDirectories) {
    std::string digest = "untouched";
    EXPECT_FALSE(GetFileMd5(dir / "missing", digest));
    EXPECT_FALSE(GetFileMd5(dir.Path(), digest));
    EXPECT_EQ(digest, "untouched");
    EXPECT_FALSE(TextModeFileStream(dir / "missing").IsOpen());
}

}  // namespace
