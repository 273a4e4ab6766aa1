#include "integrity/csv_decryptor.h"

#include <Poco/Base64Encoder.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "integrity/rijndael_cipher.h"
#include "integrity_test_files.h"

namespace {

std::string ToBase64(const std::string& bytes) {
    std::ostringstream out;
    Poco::Base64Encoder encoder(out);
    encoder.rdbuf()->setLineLength(0);
    encoder << bytes;
    encoder.close();
    return out.str();
}

// Enciphers `padded` (already a whole number of blocks, fill included) the launcher's way,
// so that tests can build texts with any fill, right or wrong.
std::string SealRaw(const std::string& padded) {
    RijndaelCipher cipher;
    cipher.ExpandKey(kCsvKey, kCsvChain, 16, 16);
    std::string out(padded.size(), '\0');
    cipher.EncryptBuffer(padded.data(), &out[0], padded.size(), RijndaelCipher::CBC);
    return ToBase64(out);
}

class CsvDecryption : public ::testing::Test {
  protected:
    CsvDecryption() { EXPECT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error)); }

    std::string Protect(const std::string& plain) {
        std::string text;
        EXPECT_TRUE(decryptor.ProtectText(plain, text, error)) << error;
        return text;
    }

    CsvDecryptor decryptor;
    std::string error;
    std::string plain;
    TempDir dir;
};

TEST(CsvDecryptorKey, WrongLengthsAreRefusedAndKeepTheOldKey) {
    CsvDecryptor decryptor;
    std::string error;
    EXPECT_FALSE(decryptor.SetKey("short", kCsvChain, error));
    EXPECT_EQ(error, "key length not is 16, 24 or 32");
    EXPECT_FALSE(decryptor.SetKey(kCsvKey, std::string(20, '7'), error));
    EXPECT_EQ(error, "chain length not is 16, 24 or 32");
    EXPECT_FALSE(decryptor.SetKey(kCsvKey, std::string(24, '7'), error));
    EXPECT_EQ(error, "key.length != chain.length");

    std::string plain;
    EXPECT_FALSE(decryptor.DecryptText(SealRaw(std::string(16, '\x10')), plain, error));
    EXPECT_FALSE(error.empty());

    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    EXPECT_FALSE(decryptor.SetKey("", "", error));
    EXPECT_TRUE(decryptor.DecryptText(SealRaw("hello" + std::string(11, '\x0b')), plain, error));
    EXPECT_EQ(plain, "hello");
}

TEST(CsvBase64, DecodesGroupsAndStopsAtTheFirstForeignCharacter) {
    EXPECT_EQ(Base64Decode("TWFu"), "Man");
    EXPECT_EQ(Base64Decode("TWE="), "Ma");
    EXPECT_EQ(Base64Decode("TWE"), "Ma");
    EXPECT_EQ(Base64Decode("TQ=="), "M");
    EXPECT_EQ(Base64Decode("T"), "");
    EXPECT_EQ(Base64Decode(""), "");
    EXPECT_EQ(Base64Decode("TWFu\r\nTWFu"), "Man");
    EXPECT_EQ(Base64Decode("TWFu TWFu"), "Man");
    EXPECT_EQ(Base64Decode("TW=FuTWFu"), "M");
    EXPECT_EQ(Base64Decode("+/+/"), "\xfb\xff\xbf");
    EXPECT_EQ(Base64Decode("TWFu\xC3\xA4TWFu"), "Man");
    EXPECT_TRUE(IsBase64Char('A') && IsBase64Char('z') && IsBase64Char('0') && IsBase64Char('+') &&
                IsBase64Char('/'));
    EXPECT_FALSE(IsBase64Char('=') || IsBase64Char('-') || IsBase64Char('_') ||
                 IsBase64Char('\n') || IsBase64Char(0xC3));
}

TEST_F(CsvDecryption, ProtectedTextsOfEveryLengthReadBack) {
    for (size_t length = 0; length <= 70; ++length) {
        std::string content;
        for (size_t i = 0; i < length; ++i) content += char('a' + i % 26);
        std::string text = Protect(content);
        EXPECT_EQ(Base64Decode(text).size(), (length / 16 + 1) * 16);
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
        ASSERT_TRUE(decryptor.DecryptText(text, plain, error)) << error;
        EXPECT_EQ(plain, content);
    }
}

TEST_F(CsvDecryption, LineEndAfterTheRunIsHarmless) {
    std::string text = Protect("id,limit\r\n1,2\r\n");
    ASSERT_TRUE(decryptor.DecryptText(text + "\r\n", plain, error));
    EXPECT_EQ(plain, "id,limit\r\n1,2\r\n");
}

TEST_F(CsvDecryption, WrappedTextIsReadOnlyToItsFirstLineEnd) {
    std::string text = Protect(std::string(200, 'x'));
    ASSERT_GT(text.size(), 76u);
    std::string wrapped = text.substr(0, 76) + "\r\n" + text.substr(76);
    // 76 characters give 57 bytes: no whole number of blocks.
    EXPECT_FALSE(decryptor.DecryptText(wrapped, plain, error));
    EXPECT_EQ(error, "Wrong ciphertext length!Decryption error!");
}

TEST_F(CsvDecryption, ContentIsCutAtItsFirstZeroByte) {
    std::string content("ab\0cd", 5);
    ASSERT_TRUE(decryptor.DecryptText(SealRaw(content + std::string(11, '\x0b')), plain, error));
    EXPECT_EQ(plain, "ab");
    EXPECT_FALSE(decryptor.ProtectText(content, plain, error));
    EXPECT_NE(error.find("zero byte"), std::string::npos);
}

TEST_F(CsvDecryption, FillIsChecked) {
    // Count 5 with a wrong byte among the four before it.
    std::string padded = std::string(11, 'a') + "\x05\x05\x04\x05\x05";
    EXPECT_FALSE(decryptor.DecryptText(SealRaw(padded), plain, error));
    EXPECT_EQ(error, "Failure to fill!Decryption error!");
    EXPECT_EQ(plain, "");
    // Counts above a block are never written by a sender.
    for (int count : {17, 32, 127}) {
        error.clear();
        std::string big(size_t(128 - count), 'a');
        big.append(size_t(count), char(count));
        EXPECT_FALSE(decryptor.DecryptText(SealRaw(big), plain, error)) << count;
        EXPECT_EQ(error, "Failure to fill!Decryption error!");
    }
    // A whole block of 16.
    ASSERT_TRUE(decryptor.DecryptText(SealRaw(std::string(32, 'c') + std::string(16, '\x10')),
                                      plain, error));
    EXPECT_EQ(plain, std::string(32, 'c'));
    // A last byte read as zero or negative is no fill: nothing is removed.
    ASSERT_TRUE(decryptor.DecryptText(SealRaw(std::string(15, 'd') + "\x80"), plain, error));
    EXPECT_EQ(plain, std::string(15, 'd') + "\x80");
    ASSERT_TRUE(decryptor.DecryptText(SealRaw(std::string(15, 'd') + '\0'), plain, error));
    EXPECT_EQ(plain, std::string(15, 'd'));
}

TEST_F(CsvDecryption, UndecipherableLengthsAreRefused) {
    const std::vector<std::string> texts = {"",
                                            "=",
                                            "!!!!",
                                            "QUJD",
                                            std::string(20, 'A'),
                                            SealRaw(std::string(32, '\x10')).substr(0, 30)};
    for (const std::string& text : texts) {
        error.clear();
        EXPECT_FALSE(decryptor.DecryptText(text, plain, error)) << text;
        EXPECT_EQ(error, "Wrong ciphertext length!Decryption error!");
    }
}

TEST_F(CsvDecryption, FileRoundTripAndOverwrite) {
    const std::string content = "id,low,high\r\n1,0.5,1.5\r\n";
    WriteBytes(dir / "limits.bry", Protect(content));
    WriteBytes(dir / "limits.csv", "old content that is longer than the new one ...........");
    ASSERT_TRUE(decryptor.DecryptFile(dir / "limits.bry", dir / "limits.csv", error)) << error;
    EXPECT_EQ(ReadBytes(dir / "limits.csv"), content);
    EXPECT_FALSE(std::filesystem::exists(dir / "limits.csv.vxtmp"));
}

TEST_F(CsvDecryption, SourceDecryptedOntoItself) {
    WriteBytes(dir / "limits.dat", Protect("a,b\n"));
    ASSERT_TRUE(decryptor.DecryptFile(dir / "limits.dat", dir / "limits.dat", error)) << error;
    EXPECT_EQ(ReadBytes(dir / "limits.dat"), "a,b\n");
}

TEST_F(CsvDecryption, BadSourcesNeverTouchTheTarget) {
    const std::string target = dir / "t.csv";
    WriteBytes(target, "previous");
    const std::string wrongFill = SealRaw(std::string(12, 'a') + "\x04\x04\x03\x04");
    const std::string good = Protect(std::string(100, 'g'));
    const std::string wrapped = good.substr(0, 76) + "\n" + good.substr(76);
    const std::vector<std::string> sources = {
        "", good.substr(0, good.size() / 2), wrapped, "not base64 at all", wrongFill, "QUJDRA=="};
    for (const std::string& bry : sources) {
        WriteBytes(dir / "t.bry", bry);
        error.clear();
        EXPECT_FALSE(decryptor.DecryptFile(dir / "t.bry", target, error)) << bry;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadBytes(target), "previous");
        EXPECT_FALSE(decryptor.DecryptFile(dir / "t.bry", dir / "new.csv", error));
        EXPECT_FALSE(std::filesystem::exists(dir / "new.csv"));
    }
    EXPECT_FALSE(decryptor.DecryptFile(dir / "missing.bry", target, error));
    EXPECT_EQ(error, "srcfile not exist");
    EXPECT_EQ(ReadBytes(target), "previous");
}

TEST_F(CsvDecryption, UnwritableTargetIsAFailureNamingIt) {
    WriteBytes(dir / "t.bry", Protect("x\n"));
    const std::string inMissingDir = dir / "no/such/dir/t.csv";
    EXPECT_FALSE(decryptor.DecryptFile(dir / "t.bry", inMissingDir, error));
    EXPECT_NE(error.find(inMissingDir), std::string::npos) << error;

    std::filesystem::create_directories(dir / "adir.csv/inside");
    error.clear();
    EXPECT_FALSE(decryptor.DecryptFile(dir / "t.bry", dir / "adir.csv", error));
    EXPECT_NE(error.find(dir / "adir.csv"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "adir.csv/inside"));
    EXPECT_FALSE(std::filesystem::exists(dir / "adir.csv.vxtmp"));
}

TEST(CsvProtectedFormat, OpenSslReadsWhatProtectTextWrites) {
    TempDir dir;
    CsvDecryptor decryptor;
    std::string error, text;
    ASSERT_TRUE(decryptor.SetKey(kCsvKey, kCsvChain, error));
    ASSERT_TRUE(decryptor.ProtectText("col1,col2\n1,2\n", text, error));
    WriteBytes(dir / "a.bry", text);
    // Key and chaining value are the ASCII bytes of the texts, in hex.
    const std::string command = "openssl enc -d -aes-128-cbc -base64 -A -K " +
                                std::string("35353535353535353535353535353535") +
                                " -iv 37373737373737373737373737373737 -in " + (dir / "a.bry") +
                                " -out " + (dir / "a.csv") + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadBytes(dir / "a.csv"), "col1,col2\n1,2\n");
}

}  // namespace
