// Base64 decoding and the decryption of protected text, on any text.
// Properties: Base64Decode gives 3 bytes per whole group of four alphabet characters and
// k - 1 for a final group of k, counted up to the first "=" or other character, and the bytes
// agree with a decoder written out here; DecryptText never crashes, succeeds only with plain
// text free of zero bytes, and leaves the output empty or untouched when it fails; what
// ProtectText (the function VXPack protect writes with) makes of a text without zero bytes,
// DecryptText gives back exactly, also with a line end after it.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "integrity/csv_decryptor.h"

namespace {

int AlphabetValue(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::string ReferenceDecode(const std::string& text) {
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (unsigned char c : text) {
        int value = AlphabetValue(c);
        if (value < 0) break;  // "=" is outside the alphabet too
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

size_t RunLength(const std::string& text) {
    size_t length = 0;
    while (length < text.size() && AlphabetValue(static_cast<unsigned char>(text[length])) >= 0)
        ++length;
    return length;
}

CsvDecryptor& Decryptor() {
    static CsvDecryptor decryptor = [] {
        CsvDecryptor made;
        std::string error;
        FUZZ_CHECK(made.SetKey(kCsvKey, kCsvChain, error));
        return made;
    }();
    return decryptor;
}

void CheckBase64(const std::string& text) {
    std::string decoded = Base64Decode(text);
    size_t run = RunLength(text);
    size_t last = run % 4;
    FUZZ_CHECK(decoded.size() == run / 4 * 3 + (last > 0 ? last - 1 : 0));
    FUZZ_CHECK(decoded == ReferenceDecode(text));
    for (unsigned char c = 0; c < 255; ++c)
        FUZZ_CHECK(IsBase64Char(c) == (c != '=' && AlphabetValue(c) >= 0));
}

void CheckDecrypt(const std::string& text) {
    const std::string untouched = "untouched";
    std::string plain = untouched, error;
    bool ok = Decryptor().DecryptText(text, plain, error);
    if (ok) {
        FUZZ_CHECK(plain.find('\0') == std::string::npos);
        // A last byte of 0x80 to 0xFF is no fill count and is kept: the text can then be
        // as long as the decoded bytes.
        FUZZ_CHECK(plain.size() <= Base64Decode(text).size());
    } else {
        FUZZ_CHECK(plain.empty() || plain == untouched);
        FUZZ_CHECK(!error.empty());
    }
}

void CheckRoundTrip(const std::string& input) {
    std::string content;
    for (char c : input)
        if (c != '\0') content.push_back(c);
    std::string text, error;
    FUZZ_CHECK(Decryptor().ProtectText(content, text, error));
    FUZZ_CHECK(RunLength(text) > 0);
    std::string plain;
    FUZZ_CHECK(Decryptor().DecryptText(text, plain, error));
    FUZZ_CHECK(plain == content);
    plain.clear();
    FUZZ_CHECK(Decryptor().DecryptText(text + "\r\n", plain, error));
    FUZZ_CHECK(plain == content);
    if (content.size() != input.size()) {  // a zero byte is refused, not cut silently
        std::string refused;
        FUZZ_CHECK(!Decryptor().ProtectText(input, refused, error));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::AsText(data, size);
    CheckBase64(text);
    CheckDecrypt(text);
    CheckRoundTrip(text);
    return 0;
}
