// The cipher against OpenSSL's AES on random data: an independent implementation of the
// 16-byte-block case. Built where the tests have OpenSSL (not in the Windows build: the cipher
// is the same portable code there, checked by its known vectors).
#include "integrity/rijndael_cipher.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "tests/integrity/rijndael_test_support.h"

// OpenSSL as an independent implementation of AES, without fill.
static Bytes OpenSsl(const EVP_CIPHER* type, const Bytes& key, const Bytes& iv, const Bytes& in,
                     bool encrypt) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(context, type, nullptr, key.data(), iv.data(), encrypt);
    EVP_CIPHER_CTX_set_padding(context, 0);
    Bytes out(in.size());
    int written = 0;  // without fill, whole blocks come out at once: no final call
    EVP_CipherUpdate(context, out.data(), &written, in.data(), int(in.size()));
    EVP_CIPHER_CTX_free(context);
    return written == int(in.size()) ? out : Bytes();
}

TEST(RijndaelCipher, AgreesWithOpenSslOnRandomDataOfManyLengthsInEveryMode) {
    const char* modes[] = {"-ecb", "-cbc", "-cfb"};
    for (size_t blocks = 1; blocks <= 300; blocks += (blocks < 20 ? 1 : 37)) {
        const size_t k = blocks % 3, half = blocks / 2 * 16;
        SCOPED_TRACE(std::to_string(blocks) + " blocks, key " + std::to_string(16 + 8 * k));
        Bytes key = Random(16 + 8 * k), iv = Random(16), data = Random(blocks * 16);
        // Any mode value other than ECB, CBC and CFB acts as ECB.
        for (int mode : {0, 1, 2, 3, -1, 255}) {
            const std::string name =
                "aes-" + std::to_string(128 + 64 * k) + modes[mode == 1 || mode == 2 ? mode : 0];
            const EVP_CIPHER* type = EVP_get_cipherbyname(name.c_str());
            const Bytes expected = OpenSsl(type, key, iv, data, false);
            RijndaelCipher cipher = MakeCipher(key, iv, 16), encryptor = cipher;
            Bytes out = data;  // two calls, each in place: the chain carries across
            cipher.DecryptBuffer(C(out), M(out), half, mode);
            cipher.DecryptBuffer(C(out) + half, M(out) + half, out.size() - half, mode);
            ASSERT_EQ(out, expected) << mode;
            cipher.ExpandKey(C(key), C(iv), int(key.size()), 16);  // restarts the chain
            ASSERT_EQ(Buffer(cipher, data, mode), expected) << mode;
            ASSERT_EQ(Buffer(encryptor, data, mode, true), OpenSsl(type, key, iv, data, true));
        }
    }
}
