#include "integrity/csv_decryptor.h"

#include <Poco/Base64Encoder.h>

#include <cstring>
#include <sstream>

#include "integrity/replace_file.h"
#include "integrity/rijndael_cipher.h"
#include "platform/file_system.h"
#include "platform/text_utils.h"

const char* const kCsvKey = "5555555555555555";
const char* const kCsvChain = "7777777777777777";

namespace {

// The launcher enciphers with AES-128 whatever key length SetKey accepted.
constexpr int kCipherKeyLength = 16;
constexpr int kCipherBlockSize = 16;

const char* const kFillError = "Failure to fill!Decryption error!";
const char* const kLengthError = "Wrong ciphertext length!Decryption error!";
const char* const kNoKeyError = "key not set";
const char* const kSourceMissing = "srcfile not exist";
const char* const kSourceRemedy = "; put the protected file written by VXPack protect in its place";

bool IsValidKeyLength(size_t length) {
    return length == 16 || length == 24 || length == 32;
}

// Position in the alphabet of each byte; -1 outside it.
struct Base64Table {
    signed char value[256] = {};
};

constexpr Base64Table MakeBase64Table() {
    Base64Table table;
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 256; ++i) table.value[i] = -1;
    for (int i = 0; i < 64; ++i) table.value[static_cast<unsigned char>(alphabet[i])] = char(i);
    return table;
}

constexpr Base64Table kBase64 = MakeBase64Table();

unsigned Base64Value(unsigned char c) {
    return unsigned(kBase64.value[c]);
}

}  // namespace

bool CsvDecryptor::SetKey(const std::string& key, const std::string& chain, std::string& error) {
    if (!IsValidKeyLength(key.size())) {
        error = "key length not is 16, 24 or 32";
        return false;
    }
    if (!IsValidKeyLength(chain.size())) {
        error = "chain length not is 16, 24 or 32";
        return false;
    }
    if (key.size() != chain.size()) {
        error = "key.length != chain.length";
        return false;
    }
    _key = key;
    _chain = chain;
    return true;
}

bool CsvDecryptor::DecryptFile(const std::string& source, const std::string& target,
                               std::string& error) {
    // The source is read whole and closed before the target is written: the two may be the
    // same file. Only a regular file of bounded size is read, and a FIFO is never waited on.
    std::string text;
    int code = 0;
    const FileReadResult read = ReadWholeFile(source, kMaxProtectedFileSize, text, code);
    if (read == FileReadResult::NotRegularFile || read == FileReadResult::TooLarge) {
        error = "srcfile " + FileReadProblem(read, kMaxProtectedFileSize) + kSourceRemedy;
        return false;
    }
    if (read != FileReadResult::Ok) {
        error = kSourceMissing;
        return false;
    }
    std::string plain;
    if (!DecryptText(text, plain, error)) return false;
    return ReplaceFileContent(target, plain, error, source);
}

bool CsvDecryptor::DecryptText(const std::string& text, std::string& plain, std::string& error) {
    if (_key.size() < size_t(kCipherKeyLength)) {
        error = kNoKeyError;
        return false;
    }
    // Deciphered in place, with one zero byte behind the last block so that the text always
    // ends at a zero byte.
    std::string output = Base64Decode(text);
    const size_t n = output.size();
    // Nothing else can be deciphered; the cipher would leave such a buffer as it is.
    if (n == 0 || n % kCipherBlockSize != 0) {
        error = kLengthError;
        return false;
    }
    output.push_back('\0');
    RijndaelCipher cipher;
    cipher.ExpandKey(_key.data(), _chain.data(), kCipherKeyLength, kCipherBlockSize);
    cipher.DecryptBuffer(output.data(), &output[0], n, RijndaelCipher::CBC);

    // PKCS #7: the last byte counts the fill bytes, each holding that count. A count read as
    // zero or negative is no fill; one above the block size is never written by a sender.
    const int count = static_cast<signed char>(output[n - 1]);
    if (count > kCipherBlockSize) {
        plain.clear();
        error = kFillError;
        return false;
    }
    if (count >= 1) {
        for (size_t i = n; i > n - size_t(count); --i) {
            if (static_cast<signed char>(output[i - 1]) != count) {
                plain.clear();
                error = kFillError;
                return false;
            }
            output[i - 1] = '\0';
        }
    }
    // The content ends at its first zero byte.
    output.resize(std::strlen(output.c_str()));
    plain.swap(output);
    return true;
}

bool CsvDecryptor::ProtectText(const std::string& plain, std::string& text, std::string& error) {
    if (_key.size() < size_t(kCipherKeyLength)) {
        error = kNoKeyError;
        return false;
    }
    if (plain.find('\0') != std::string::npos) {
        error = "content holds a zero byte; decryption would cut it there";
        return false;
    }
    const size_t fill = kCipherBlockSize - plain.size() % kCipherBlockSize;
    std::string padded = plain;
    padded.append(fill, static_cast<char>(fill));
    std::string cipherText(padded.size(), '\0');
    RijndaelCipher cipher;
    cipher.ExpandKey(_key.data(), _chain.data(), kCipherKeyLength, kCipherBlockSize);
    cipher.EncryptBuffer(padded.data(), &cipherText[0], padded.size(), RijndaelCipher::CBC);

    std::ostringstream encoded;
    Poco::Base64Encoder encoder(encoded);
    encoder.rdbuf()->setLineLength(0);  // one run of characters: the reader stops at a line end
    encoder.write(cipherText.data(), std::streamsize(cipherText.size()));
    encoder.close();
    text = encoded.str();
    return true;
}

std::string ProtectedPathFor(const std::string& csvPath) {
    std::string path = csvPath;
    ReplaceString(path, ".csv", ".bry", true);
    return path;
}

std::string Base64Decode(const std::string& text) {
    // The run of alphabet characters from the start; "=" and anything else end it.
    size_t run = 0;
    while (run < text.size() && IsBase64Char(static_cast<unsigned char>(text[run]))) ++run;
    const size_t groups = run / 4;
    const size_t rest = run % 4;
    std::string bytes(groups * 3 + (rest > 1 ? rest - 1 : 0), '\0');
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.data());
    char* out = &bytes[0];
    for (size_t g = 0; g < groups; ++g, in += 4, out += 3) {
        const unsigned bits = (Base64Value(in[0]) << 18) | (Base64Value(in[1]) << 12) |
                              (Base64Value(in[2]) << 6) | Base64Value(in[3]);
        out[0] = char(bits >> 16);
        out[1] = char(bits >> 8);
        out[2] = char(bits);
    }
    // A final group of k characters carries k - 1 bytes.
    if (rest >= 2) {
        unsigned bits = (Base64Value(in[0]) << 18) | (Base64Value(in[1]) << 12);
        if (rest == 3) bits |= Base64Value(in[2]) << 6;
        out[0] = char(bits >> 16);
        if (rest == 3) out[1] = char(bits >> 8);
    }
    return bytes;
}

bool IsBase64Char(unsigned char c) {
    return kBase64.value[c] >= 0;
}
