#pragma once
// Decryption of protected CSV files: a ".bry" file holds one run of Base64 text of the CSV
// content enciphered with AES-128-CBC and PKCS #7 fill.

#include <cstdint>
#include <string>

// The launcher's fixed key and chaining value.
extern const char* const kCsvKey;    // "5555555555555555"
extern const char* const kCsvChain;  // "7777777777777777"

// The largest protected file read (bytes of Base64 text): 64 MiB, which holds a CSV file of
// about 48 MiB. Decryption holds the text and two buffers of 3/4 its size at once.
constexpr uint64_t kMaxProtectedFileSize = uint64_t(64) << 20;

// The protected (".bry") path of a CSV file: every ".csv" of `csvPath` replaced by ".bry",
// left to right and case-sensitive (a path without ".csv" stays as it is).
std::string ProtectedPathFor(const std::string& csvPath);

class CsvDecryptor {
  public:
    // Accepts key and chain texts of 16, 24 or 32 characters of equal length; false with
    // the reason in `error` otherwise.
    bool SetKey(const std::string& key, const std::string& chain, std::string& error);

    // Reads `source` whole, deciphers it and writes the plain text to `target` (binary) by
    // ReplaceFileContent: an existing target keeps its permissions, a new one gets the
    // source's. False with the reason in `error` when the source cannot be read ("srcfile not
    // exist"; also when it is no regular file or larger than kMaxProtectedFileSize, each with
    // its own text), the text cannot be deciphered, or the target cannot be written; a failed
    // decryption never touches the target.
    bool DecryptFile(const std::string& source, const std::string& target, std::string& error);

    // Base64 text to plain text (up to its first zero byte). False with the reason in
    // `error` for a length that is not a positive multiple of 16, a wrong fill (also a fill
    // count above 16: "Failure to fill!Decryption error!") or no key set; `plain` is then
    // empty or untouched.
    bool DecryptText(const std::string& text, std::string& plain, std::string& error);

    // The inverse of DecryptText: `plain` enciphered with AES-128-CBC and PKCS #7 fill,
    // written as one run of Base64 text without line ends. False with the reason in `error`
    // when `plain` holds a zero byte (decryption would cut it there) or no key is set.
    bool ProtectText(const std::string& plain, std::string& text, std::string& error);

  private:
    std::string _key;
    std::string _chain;
};

// Decodes from the start of `text` up to the first "=" or character outside the Base64
// alphabet; a final group of k characters gives k - 1 bytes.
std::string Base64Decode(const std::string& text);

// ASCII letter, digit, "+" or "/".
bool IsBase64Char(unsigned char c);
