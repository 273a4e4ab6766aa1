#include "integrity/rijndael_cipher.h"

#include <cstring>

namespace {

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1, the field of the cipher.
constexpr uint8_t Xtime(uint8_t a) {
    return uint8_t((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
}

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        a = Xtime(a);
        b >>= 1;
    }
    return product;
}

constexpr uint32_t RotateRight8(uint32_t w) {
    return (w >> 8) | (w << 24);
}

constexpr uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return (uint32_t(b0) << 24) | (uint32_t(b1) << 16) | (uint32_t(b2) << 8) | uint32_t(b3);
}

// The S-box, its inverse, the round constants and the combined round lookups, derived once
// at compile time from the field arithmetic so that no hand-copied table can hold a typo.
struct CipherTables {
    uint8_t sbox[256] = {};
    uint8_t inverseSbox[256] = {};
    uint8_t roundConstant[32] = {};
    uint32_t encrypt[4][256] = {};  // SubBytes + MixColumns, one table per byte position
    uint32_t decrypt[4][256] = {};  // InvSubBytes + InvMixColumns, likewise
};

constexpr CipherTables MakeTables() {
    CipherTables t;
    // Powers and logarithms of the generator 3 give every multiplicative inverse.
    uint8_t power[256] = {};
    uint8_t logarithm[256] = {};
    uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
        power[i] = x;
        logarithm[x] = uint8_t(i);
        x = Multiply(x, 3);
    }
    for (int i = 0; i < 256; ++i) {
        uint8_t inverse = i == 0 ? 0 : power[(255 - logarithm[i]) % 255];
        uint8_t s = inverse;
        for (int r = 1; r <= 4; ++r) s ^= uint8_t((inverse << r) | (inverse >> (8 - r)));
        s ^= 0x63;
        t.sbox[i] = s;
        t.inverseSbox[s] = uint8_t(i);
    }
    uint8_t rc = 1;
    for (int i = 0; i < 32; ++i) {
        t.roundConstant[i] = rc;
        rc = Xtime(rc);
    }
    for (int i = 0; i < 256; ++i) {
        uint8_t s = t.sbox[i];
        uint32_t e = Word(Multiply(s, 2), s, s, Multiply(s, 3));
        uint8_t v = t.inverseSbox[i];
        uint32_t d = Word(Multiply(v, 14), Multiply(v, 9), Multiply(v, 13), Multiply(v, 11));
        for (int k = 0; k < 4; ++k) {
            t.encrypt[k][i] = e;
            t.decrypt[k][i] = d;
            e = RotateRight8(e);
            d = RotateRight8(d);
        }
    }
    return t;
}

constexpr CipherTables kTables = MakeTables();

constexpr const uint8_t* S = kTables.sbox;
constexpr const uint8_t* Si = kTables.inverseSbox;
constexpr const uint32_t* Te0 = kTables.encrypt[0];
constexpr const uint32_t* Te1 = kTables.encrypt[1];
constexpr const uint32_t* Te2 = kTables.encrypt[2];
constexpr const uint32_t* Te3 = kTables.encrypt[3];
constexpr const uint32_t* Td0 = kTables.decrypt[0];
constexpr const uint32_t* Td1 = kTables.decrypt[1];
constexpr const uint32_t* Td2 = kTables.decrypt[2];
constexpr const uint32_t* Td3 = kTables.decrypt[3];

inline uint32_t LoadWord(const uint8_t* p) {
    return Word(p[0], p[1], p[2], p[3]);
}

inline void StoreWord(uint32_t w, uint8_t* p) {
    p[0] = uint8_t(w >> 24);
    p[1] = uint8_t(w >> 16);
    p[2] = uint8_t(w >> 8);
    p[3] = uint8_t(w);
}

inline uint8_t Byte(uint32_t w, int index) {
    return uint8_t(w >> (24 - 8 * index));
}

uint32_t SubWord(uint32_t w) {
    return Word(S[Byte(w, 0)], S[Byte(w, 1)], S[Byte(w, 2)], S[Byte(w, 3)]);
}

// InvMixColumns on one column: Td applies the inverse S-box first, so undo it with S.
uint32_t InverseMixColumn(uint32_t w) {
    return Td0[S[Byte(w, 0)]] ^ Td1[S[Byte(w, 1)]] ^ Td2[S[Byte(w, 2)]] ^ Td3[S[Byte(w, 3)]];
}

bool IsValidLength(int length) {
    return length == 16 || length == 24 || length == 32;
}

// Six more than the larger of key words and block words.
int RoundsFor(int keyLength, int blockSize) {
    int words = (keyLength > blockSize ? keyLength : blockSize) / 4;
    return words + 6;
}

// Row shift offsets of rows 1 to 3 for a block of `columns` words.
void ShiftOffsets(int columns, int offsets[4]) {
    offsets[0] = 0;
    offsets[1] = 1;
    offsets[2] = columns == 8 ? 3 : 2;
    offsets[3] = columns == 8 ? 4 : 3;
}

}  // namespace

RijndaelCipher::RijndaelCipher() = default;

void RijndaelCipher::ExpandKey(const char* key, const char* chain, int keyLength, int blockSize) {
    if (key == nullptr || chain == nullptr || !IsValidLength(keyLength) ||
        !IsValidLength(blockSize))
        return;
    _keyLength = keyLength;
    _blockSize = blockSize;
    std::memcpy(_initialChain, chain, blockSize);
    std::memcpy(_chain, chain, blockSize);
    _rounds = RoundsFor(keyLength, blockSize);
    std::memset(_encryptKeys, 0, sizeof _encryptKeys);
    std::memset(_decryptKeys, 0, sizeof _decryptKeys);

    const int keyWords = keyLength / 4;
    const int columns = blockSize / 4;
    const int totalWords = (_rounds + 1) * columns;
    uint32_t schedule[(kMaxRounds + 1) * (kMaxBlockSize / 4)] = {};
    const uint8_t* keyBytes = reinterpret_cast<const uint8_t*>(key);
    for (int i = 0; i < keyWords; ++i) schedule[i] = LoadWord(keyBytes + 4 * i);
    for (int i = keyWords; i < totalWords; ++i) {
        uint32_t temp = schedule[i - 1];
        if (i % keyWords == 0)
            temp = SubWord((temp << 8) | (temp >> 24)) ^
                   (uint32_t(kTables.roundConstant[i / keyWords - 1]) << 24);
        else if (keyWords > 6 && i % keyWords == 4)
            temp = SubWord(temp);
        schedule[i] = schedule[i - keyWords] ^ temp;
    }
    for (int t = 0; t < totalWords; ++t) {
        _encryptKeys[t / columns][t % columns] = schedule[t];
        _decryptKeys[_rounds - t / columns][t % columns] = schedule[t];
    }
    // The equivalent inverse cipher runs InvMixColumns before AddRoundKey, so the inner
    // round keys are pre-mixed the same way.
    for (int r = 1; r < _rounds; ++r)
        for (int j = 0; j < columns; ++j) _decryptKeys[r][j] = InverseMixColumn(_decryptKeys[r][j]);
    _keyReady = true;
}

void RijndaelCipher::EncryptBlock(const char* in, char* out) const {
    if (!_keyReady) return;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    uint8_t* dst = reinterpret_cast<uint8_t*>(out);
    if (_blockSize == 16)
        EncryptBlock16(src, dst);
    else
        EncryptBlockGeneral(src, dst);
}

void RijndaelCipher::DecryptBlock(const char* in, char* out) const {
    if (!_keyReady) return;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    uint8_t* dst = reinterpret_cast<uint8_t*>(out);
    if (_blockSize == 16)
        DecryptBlock16(src, dst);
    else
        DecryptBlockGeneral(src, dst);
}

void RijndaelCipher::EncryptBlock16(const uint8_t* in, uint8_t* out) const {
    const uint32_t* k = _encryptKeys[0];
    uint32_t s0 = LoadWord(in) ^ k[0];
    uint32_t s1 = LoadWord(in + 4) ^ k[1];
    uint32_t s2 = LoadWord(in + 8) ^ k[2];
    uint32_t s3 = LoadWord(in + 12) ^ k[3];
    for (int r = 1; r < _rounds; ++r) {
        k = _encryptKeys[r];
        uint32_t t0 =
            Te0[s0 >> 24] ^ Te1[(s1 >> 16) & 0xff] ^ Te2[(s2 >> 8) & 0xff] ^ Te3[s3 & 0xff] ^ k[0];
        uint32_t t1 =
            Te0[s1 >> 24] ^ Te1[(s2 >> 16) & 0xff] ^ Te2[(s3 >> 8) & 0xff] ^ Te3[s0 & 0xff] ^ k[1];
        uint32_t t2 =
            Te0[s2 >> 24] ^ Te1[(s3 >> 16) & 0xff] ^ Te2[(s0 >> 8) & 0xff] ^ Te3[s1 & 0xff] ^ k[2];
        uint32_t t3 =
            Te0[s3 >> 24] ^ Te1[(s0 >> 16) & 0xff] ^ Te2[(s1 >> 8) & 0xff] ^ Te3[s2 & 0xff] ^ k[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    k = _encryptKeys[_rounds];
    StoreWord(Word(S[s0 >> 24], S[(s1 >> 16) & 0xff], S[(s2 >> 8) & 0xff], S[s3 & 0xff]) ^ k[0],
              out);
    StoreWord(Word(S[s1 >> 24], S[(s2 >> 16) & 0xff], S[(s3 >> 8) & 0xff], S[s0 & 0xff]) ^ k[1],
              out + 4);
    StoreWord(Word(S[s2 >> 24], S[(s3 >> 16) & 0xff], S[(s0 >> 8) & 0xff], S[s1 & 0xff]) ^ k[2],
              out + 8);
    StoreWord(Word(S[s3 >> 24], S[(s0 >> 16) & 0xff], S[(s1 >> 8) & 0xff], S[s2 & 0xff]) ^ k[3],
              out + 12);
}

void RijndaelCipher::DecryptBlock16(const uint8_t* in, uint8_t* out) const {
    const uint32_t* k = _decryptKeys[0];
    uint32_t s0 = LoadWord(in) ^ k[0];
    uint32_t s1 = LoadWord(in + 4) ^ k[1];
    uint32_t s2 = LoadWord(in + 8) ^ k[2];
    uint32_t s3 = LoadWord(in + 12) ^ k[3];
    for (int r = 1; r < _rounds; ++r) {
        k = _decryptKeys[r];
        uint32_t t0 =
            Td0[s0 >> 24] ^ Td1[(s3 >> 16) & 0xff] ^ Td2[(s2 >> 8) & 0xff] ^ Td3[s1 & 0xff] ^ k[0];
        uint32_t t1 =
            Td0[s1 >> 24] ^ Td1[(s0 >> 16) & 0xff] ^ Td2[(s3 >> 8) & 0xff] ^ Td3[s2 & 0xff] ^ k[1];
        uint32_t t2 =
            Td0[s2 >> 24] ^ Td1[(s1 >> 16) & 0xff] ^ Td2[(s0 >> 8) & 0xff] ^ Td3[s3 & 0xff] ^ k[2];
        uint32_t t3 =
            Td0[s3 >> 24] ^ Td1[(s2 >> 16) & 0xff] ^ Td2[(s1 >> 8) & 0xff] ^ Td3[s0 & 0xff] ^ k[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    k = _decryptKeys[_rounds];
    StoreWord(Word(Si[s0 >> 24], Si[(s3 >> 16) & 0xff], Si[(s2 >> 8) & 0xff], Si[s1 & 0xff]) ^ k[0],
              out);
    StoreWord(Word(Si[s1 >> 24], Si[(s0 >> 16) & 0xff], Si[(s3 >> 8) & 0xff], Si[s2 & 0xff]) ^ k[1],
              out + 4);
    StoreWord(Word(Si[s2 >> 24], Si[(s1 >> 16) & 0xff], Si[(s0 >> 8) & 0xff], Si[s3 & 0xff]) ^ k[2],
              out + 8);
    StoreWord(Word(Si[s3 >> 24], Si[(s2 >> 16) & 0xff], Si[(s1 >> 8) & 0xff], Si[s0 & 0xff]) ^ k[3],
              out + 12);
}

// The same round as the 16-byte path, written for any number of columns: row i of column j
// comes from column j + offset(i) (encryption) or j - offset(i) (decryption).
void RijndaelCipher::EncryptBlockGeneral(const uint8_t* in, uint8_t* out) const {
    const int columns = _blockSize / 4;
    int shift[4];
    ShiftOffsets(columns, shift);
    uint32_t state[kMaxBlockSize / 4];
    uint32_t next[kMaxBlockSize / 4];
    for (int j = 0; j < columns; ++j) state[j] = LoadWord(in + 4 * j) ^ _encryptKeys[0][j];
    for (int r = 1; r < _rounds; ++r) {
        for (int j = 0; j < columns; ++j)
            next[j] = Te0[Byte(state[j], 0)] ^ Te1[Byte(state[(j + shift[1]) % columns], 1)] ^
                      Te2[Byte(state[(j + shift[2]) % columns], 2)] ^
                      Te3[Byte(state[(j + shift[3]) % columns], 3)] ^ _encryptKeys[r][j];
        std::memcpy(state, next, sizeof(uint32_t) * columns);
    }
    for (int j = 0; j < columns; ++j)
        StoreWord(Word(S[Byte(state[j], 0)], S[Byte(state[(j + shift[1]) % columns], 1)],
                       S[Byte(state[(j + shift[2]) % columns], 2)],
                       S[Byte(state[(j + shift[3]) % columns], 3)]) ^
                      _encryptKeys[_rounds][j],
                  out + 4 * j);
}

void RijndaelCipher::DecryptBlockGeneral(const uint8_t* in, uint8_t* out) const {
    const int columns = _blockSize / 4;
    int shift[4];
    ShiftOffsets(columns, shift);
    // Column j - offset, kept non-negative.
    int back[4];
    for (int i = 0; i < 4; ++i) back[i] = columns - shift[i];
    uint32_t state[kMaxBlockSize / 4];
    uint32_t next[kMaxBlockSize / 4];
    for (int j = 0; j < columns; ++j) state[j] = LoadWord(in + 4 * j) ^ _decryptKeys[0][j];
    for (int r = 1; r < _rounds; ++r) {
        for (int j = 0; j < columns; ++j)
            next[j] = Td0[Byte(state[j], 0)] ^ Td1[Byte(state[(j + back[1]) % columns], 1)] ^
                      Td2[Byte(state[(j + back[2]) % columns], 2)] ^
                      Td3[Byte(state[(j + back[3]) % columns], 3)] ^ _decryptKeys[r][j];
        std::memcpy(state, next, sizeof(uint32_t) * columns);
    }
    for (int j = 0; j < columns; ++j)
        StoreWord(Word(Si[Byte(state[j], 0)], Si[Byte(state[(j + back[1]) % columns], 1)],
                       Si[Byte(state[(j + back[2]) % columns], 2)],
                       Si[Byte(state[(j + back[3]) % columns], 3)]) ^
                      _decryptKeys[_rounds][j],
                  out + 4 * j);
}

void RijndaelCipher::XorBlock(char* buffer, const char* other) const {
    if (!_keyReady) return;
    for (int i = 0; i < _blockSize; ++i) buffer[i] ^= other[i];
}

bool RijndaelCipher::IsBufferUsable(size_t length) const {
    return _keyReady && length != 0 && length % size_t(_blockSize) == 0;
}

void RijndaelCipher::EncryptBuffer(const char* in, char* out, size_t length, int mode) {
    if (!IsBufferUsable(length)) return;
    char* chain = reinterpret_cast<char*>(_chain);
    char block[kMaxBlockSize];
    for (size_t offset = 0; offset < length; offset += _blockSize) {
        std::memcpy(block, in + offset, _blockSize);
        if (mode == CBC) {
            XorBlock(block, chain);
            EncryptBlock(block, out + offset);
            std::memcpy(chain, out + offset, _blockSize);
        } else if (mode == CFB) {
            EncryptBlock(chain, chain);
            XorBlock(chain, block);
            std::memcpy(out + offset, chain, _blockSize);
        } else {
            EncryptBlock(block, out + offset);
        }
    }
}

void RijndaelCipher::DecryptBuffer(const char* in, char* out, size_t length, int mode) {
    if (!IsBufferUsable(length)) return;
    char* chain = reinterpret_cast<char*>(_chain);
    // The input block is saved first so that `in` and `out` may be one buffer.
    char block[kMaxBlockSize];
    for (size_t offset = 0; offset < length; offset += _blockSize) {
        std::memcpy(block, in + offset, _blockSize);
        if (mode == CBC) {
            DecryptBlock(block, out + offset);
            XorBlock(out + offset, chain);
            std::memcpy(chain, block, _blockSize);
        } else if (mode == CFB) {
            EncryptBlock(chain, out + offset);
            XorBlock(out + offset, block);
            std::memcpy(chain, block, _blockSize);
        } else {
            DecryptBlock(block, out + offset);
        }
    }
}
