#include "integrity/csv_decryptor.h"

#include <Poco/Base64Encoder.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "integrity/rijndael_cipher.h"
#include "tests/support/test_support.h"

using namespace test_support;

static const std::string kFillError = "Failure to fill!Decryption error!";
static const std::string kLengthError = "Wrong ciphertext length!Decryption error!";

// Enciphers `padded` (whole blocks, fill included) the launcher's way: any fill, right or wrong.
static std::string SealRaw(const std::string& padded) {
    RijndaelCipher cipher;
    cipher.ExpandKey(kCsvKey, kCsvChain, 16, 16);
    std::string bytes(padded.size(), '\0');
    cipher.EncryptBuffer(padded.data(), &bytes[0], padded.size(), RijndaelCipher::CBC);
    std::ostringstream out;
    Poco::Base64Encoder encoder(out);
    encoder.rdbuf()->setLineLength(0);
    encoder << bytes;
    encoder.close();
    return out.str();
}

class CsvDecryption : public ::testing::Test {
  protected:
    CsvDecryption() { EXPECT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error)); }
    std::string Protect(const std::string& content) {
        std::string text;
        EXPECT_TRUE(decryptor.ProtectText(content, text, error)) << error;
        return text;
    }
    CsvDecryptor decryptor;
    std::string error, plain;
    TempDir dir;
};

TEST_F(CsvDecryption, WrongKeyLengthsAreRefusedAndKeepTheKeySetBefore) {
    EXPECT_FALSE(decryptor.SetKey("short", kCsvChain, error));
    EXPECT_EQ(error, "key length not is 16, 24 or 32");
    EXPECT_FALSE(decryptor.SetKey(kCsvKey, std::string(20, '7'), error));
    EXPECT_EQ(error, "chain length not is 16, 24 or 32");
    EXPECT_FALSE(decryptor.SetKey(kCsvKey, std::string(24, '7'), error));
    EXPECT_EQ(error, "key.length != chain.length");
    EXPECT_TRUE(decryptor.DecryptText(SealRaw("hello" + std::string(11, '\x0b')), plain, error));
    EXPECT_EQ(plain, "hello");
    error.clear();  // no key at all
    EXPECT_FALSE(CsvDecryptor().DecryptText(SealRaw(std::string(16, '\x10')), plain, error));
    EXPECT_FALSE(error.empty());
}

TEST(CsvBase64, DecodesGroupsAndStopsAtTheFirstForeignCharacter) {
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"TWFu", "Man"}, {"TWE=", "Ma"}, {"TWE", "Ma"}, {"TQ==", "M"}, {"T", ""}, {"", ""},
        {"TWFu\r\nTWFu", "Man"}, {"TWFu TWFu", "Man"}, {"TW=FuTWFu", "M"},
        {"+/+/", "\xfb\xff\xbf"}, {"TWFu\xC3\xA4TWFu", "Man"}};
    // clang-format on
    for (const auto& row : rows) EXPECT_EQ(Base64Decode(row.first), row.second) << row.first;
    for (unsigned char c : {'=', '-', '_', '\n', '\xC3'}) EXPECT_FALSE(IsBase64Char(c)) << c;
}

// Texts and the plain text or error each gives. A failure gives no plain text and, as a file,
// leaves the target as it was (or creates none); a success replaces it whole.
TEST_F(CsvDecryption, SameOutcomeForTextsAndFiles) {
    const std::string wrapped = Protect(std::string(200, 'x')), target = dir / "t.csv";
    std::vector<std::pair<std::string, std::string>> rows = {
        {SealRaw(std::string(11, 'a') + "\x05\x05\x04\x05\x05"), kFillError},
        {SealRaw(std::string(32, 'c') + std::string(16, '\x10')), std::string(32, 'c')},
        // A last byte read as zero or negative is no fill: nothing is removed.
        {SealRaw(std::string(15, 'd') + "\x80"), std::string(15, 'd') + "\x80"},
        {SealRaw(std::string(15, 'd') + '\0'), std::string(15, 'd')},
        // The content ends at its first zero byte.
        {SealRaw(std::string("ab\0cd", 5) + std::string(11, '\x0b')), "ab"},
        // A wrapped text is read to its first line end: 76 characters give 57 bytes.
        {wrapped.substr(0, 76) + "\r\n" + wrapped.substr(76), kLengthError},
        {SealRaw(std::string(32, '\x10')).substr(0, 30), kLengthError}};
    for (const char* text :
         {"", "=", "!!!!", "not base64 at all", "QUJDRA==", "AAAAAAAAAAAAAAAAAAAA"})
        rows.push_back({text, kLengthError});
    std::string content;  // protected texts of every length, a line end after the run harmless
    for (size_t length = 0; length <= 70; content += char('a' + length++ % 26)) {
        const std::string text = Protect(content);
        EXPECT_EQ(Base64Decode(text).size(), (length / 16 + 1) * 16);
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
        rows.push_back({text + "\r\n", content});
    }
    // A sender never fills more than one block.
    for (size_t count : {17, 32, 127})
        rows.push_back(
            {SealRaw(std::string(128 - count, 'a') + std::string(count, char(count))), kFillError});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        plain.clear();
        error.clear();
        const bool ok = decryptor.DecryptText(row.first, plain, error);
        EXPECT_EQ(ok ? plain : error, row.second);
        EXPECT_TRUE(ok || plain.empty());

        WriteFile(dir / "t.bry", row.first);
        WriteFile(target, "previous content");
        error.clear();
        EXPECT_EQ(decryptor.DecryptFile(dir / "t.bry", target, error), ok);
        EXPECT_EQ(error.empty(), ok) << error;
        EXPECT_EQ(ReadFile(target), ok ? row.second : "previous content");
        EXPECT_EQ(decryptor.DecryptFile(dir / "t.bry", dir / "new.csv", error), ok);
        EXPECT_EQ(std::filesystem::remove(dir / "new.csv"), ok);
    }
}

TEST_F(CsvDecryption, UnwritableTargetOrMissingSourceIsAFailureNamingIt) {
    WriteFile(dir / "t.bry", Protect("a,b\r\n"));
    std::filesystem::create_directories(dir / "adir.csv/inside");
    for (const std::string& bad : {dir / "no/such/dir/t.csv", dir / "adir.csv"}) {
        EXPECT_FALSE(decryptor.DecryptFile(dir / "t.bry", bad, error));
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "adir.csv/inside"));
    EXPECT_FALSE(std::filesystem::exists(dir / "adir.csv.vxtmp"));
    EXPECT_FALSE(decryptor.DecryptFile(dir / "missing.bry", dir / "t.csv", error));
    EXPECT_EQ(error, "srcfile not exist");
    EXPECT_FALSE(std::filesystem::exists(dir / "t.csv"));
    // Onto itself.
    ASSERT_TRUE(decryptor.DecryptFile(dir / "t.bry", dir / "t.bry", error)) << error;
    EXPECT_EQ(ReadFile(dir / "t.bry"), "a,b\r\n");
}
