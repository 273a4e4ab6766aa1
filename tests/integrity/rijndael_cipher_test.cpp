// The cipher against published and pinned vectors, and its refusals.
#include "integrity/rijndael_cipher.h"

#include <Poco/DigestEngine.h>
#include <gtest/gtest.h>

#include "tests/integrity/rijndael_test_support.h"

// Key 00 01 02 ..., plain 00 11 .. ff repeated: AES for 16-byte blocks (FIPS-197), rows pinned
// from a textbook Rijndael for larger ones; whole buffers in every mode come back.
TEST(RijndaelCipher, KnownVectorsAndRoundTripsForEveryKeyAndBlockSize) {
    const std::tuple<int, int, std::string> vectors[] = {
        {16, 16, "69c4e0d86a7b0430d8cdb78070b4c55a"},  // FIPS-197 C.1
        {16, 24, "281e1b9f0afbab002cc8d11c50208a5aa2309597dc5e68c6"},
        {16, 32, "eb9b069f4395bb77bc033550eb43e012714f3da49dd026c3b30c4c585c49c1cd"},
        {24, 24, "47a918cc621e0d6b9d603f872715d786ec1053a8d7083e45"},
        {24, 32, "e4ac159fcbde846961862ba7274ea472ea9c0f0962721f41a53e89fc9e1e6f85"},
        {32, 24, "4995529beb2fa8cf286237bf0302cff446f8aeb8772425ec"},
        {32, 32, "86632a22a5f7f50f4f254acd6ea413dc1dbffa33cf7f0aa7f1a0c605464ab0bd"}};
    for (const auto& [keyLength, blockSize, hex] : vectors) {
        SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(blockSize));
        Bytes key(keyLength), plain(blockSize), out(blockSize);
        for (int i = 0; i < keyLength; ++i) key[i] = uint8_t(i);
        for (int i = 0; i < blockSize; ++i) plain[i] = uint8_t(0x11 * (i % 16));
        RijndaelCipher cipher = MakeCipher(key, Bytes(32, 0), blockSize);
        cipher.EncryptBlock(C(plain), M(out));
        EXPECT_EQ(out, Poco::DigestEngine::digestFromHex(hex));
        cipher.DecryptBlock(C(out), M(out));
        EXPECT_EQ(out, plain);
        for (int mode : {0, 1, 2}) {
            const Bytes data = Random(blockSize * 5);
            RijndaelCipher encryptor = MakeCipher(key, Random(32), blockSize),
                           decryptor = encryptor;
            const Bytes sealed = Buffer(encryptor, data, mode, true);
            EXPECT_NE(sealed, data) << mode;
            EXPECT_EQ(Buffer(decryptor, sealed, mode), data) << mode;
        }
    }
}

TEST(RijndaelCipher, RefusalsChangeNothing) {
    Bytes key = Random(16), chain = Random(16), input = Random(32), out(32, 0xAB);
    const Bytes untouched = out;
    // Bad key or block lengths keep the previous key; bad buffer lengths keep the chain.
    RijndaelCipher cipher = MakeCipher(key, chain, 16);
    cipher.ExpandKey(C(input), C(chain), 16, 20);
    cipher.ExpandKey(C(input), C(chain), 20, 16);
    cipher.ExpandKey(nullptr, C(chain), 16, 16);
    for (size_t length : {0, 15, 17, 31}) {
        cipher.DecryptBuffer(C(input), M(out), length, RijndaelCipher::CBC);
        cipher.EncryptBuffer(C(input), M(out), length, RijndaelCipher::CBC);
        EXPECT_EQ(out, untouched) << length;
    }
    RijndaelCipher fresh = MakeCipher(key, chain, 16);
    EXPECT_EQ(Buffer(cipher, input, 1), Buffer(fresh, input, 1));
}
