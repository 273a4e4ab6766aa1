#include "integrity/csv_decryptor.h"

#include <Poco/Base64Encoder.h>

#include <fstream>
#include <sstream>

#include "integrity/replace_file.h"
#include "integrity/rijndael_cipher.h"

const char* const kCsvKey = "5555555555555555";
const char* const kCsvChain = "7777777777777777";

namespace {

// The launcher enciphers with AES-128 whatever key length SetKey accepted.
constexpr int kCipherKeyLength = 16;
constexpr int kCipherBlockSize = 16;

const char* const kFillError = "Failure to fill!Decryption error!";
const char* const kLengthError = "Wrong ciphertext length!Decryption error!";
const char* const kNoKeyError = "key not set";

bool IsValidKeyLength(size_t length) {
    return length == 16 || length == 24 || length == 32;
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    return c == '+' ? 62 : 63;
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
    // same file.
    std::string text;
    {
        std::ifstream in(source, std::ios::in | std::ios::binary);
        if (!in.is_open() || !in.seekg(0, std::ios::end)) {
            error = "srcfile not exist";
            return false;
        }
        std::streamoff size = in.tellg();
        if (size < 0) {
            error = "srcfile not exist";
            return false;
        }
        in.seekg(0, std::ios::beg);
        text.resize(size_t(size));
        in.read(&text[0], size);
        text.resize(size_t(in.gcount()));
    }
    std::string plain;
    if (!DecryptText(text, plain, error)) return false;
    return ReplaceFileContent(target, plain, error);
}

bool CsvDecryptor::DecryptText(const std::string& text, std::string& plain, std::string& error) {
    if (_key.size() < size_t(kCipherKeyLength)) {
        error = kNoKeyError;
        return false;
    }
    const std::string cipherText = Base64Decode(text);
    const size_t n = cipherText.size();
    // Nothing else can be deciphered; the cipher would leave such a buffer as it is.
    if (n == 0 || n % kCipherBlockSize != 0) {
        error = kLengthError;
        return false;
    }
    RijndaelCipher cipher;
    cipher.ExpandKey(_key.data(), _chain.data(), kCipherKeyLength, kCipherBlockSize);
    std::string output(n + 1, '\0');
    cipher.DecryptBuffer(cipherText.data(), &output[0], n, RijndaelCipher::CBC);

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
    plain.assign(output.c_str());
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

std::string Base64Decode(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    unsigned int bits = 0;
    int pending = 0;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '=' || !IsBase64Char(c)) break;
        bits = (bits << 6) | unsigned(Base64Value(c));
        if (++pending == 4) {
            bytes.push_back(char(bits >> 16));
            bytes.push_back(char(bits >> 8));
            bytes.push_back(char(bits));
            bits = 0;
            pending = 0;
        }
    }
    // A final group of k characters carries k - 1 bytes.
    if (pending == 2) {
        bytes.push_back(char(bits >> 4));
    } else if (pending == 3) {
        bytes.push_back(char(bits >> 10));
        bytes.push_back(char(bits >> 2));
    }
    return bytes;
}

bool IsBase64Char(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}
