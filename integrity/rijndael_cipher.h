#pragma once
// The Rijndael block cipher with key lengths and block sizes of 16, 24 or 32 bytes; with a
// 16-byte block it is AES. Whole buffers are processed in ECB, CBC or CFB chaining, and the
// chaining state carries over from one call to the next until the key is expanded again.
//
// No operation reports a failure: with bad lengths or before a key is ready they change
// nothing. All keys and chaining blocks live inside the object; nothing is allocated.

#include <cstddef>
#include <cstdint>

class RijndaelCipher {
  public:
    // Chaining modes of EncryptBuffer and DecryptBuffer; any other value acts as ECB.
    enum Mode { ECB = 0, CBC = 1, CFB = 2 };

    static constexpr int kMaxRounds = 14;
    static constexpr int kMaxBlockSize = 32;

    RijndaelCipher();

    // Makes the object ready for `key` (keyLength bytes) and the chaining value `chain`
    // (blockSize bytes). Does nothing when `key` or `chain` is null or a length is not 16,
    // 24 or 32: the previous state, ready or not, stays as it was.
    void ExpandKey(const char* key, const char* chain, int keyLength, int blockSize);

    bool IsKeyReady() const { return _keyReady; }
    int BlockSize() const { return _blockSize; }
    int KeyLength() const { return _keyLength; }
    int Rounds() const { return _rounds; }

    // One block of BlockSize() bytes; `in` and `out` may be the same buffer. Write nothing
    // before the key is ready.
    void EncryptBlock(const char* in, char* out) const;
    void DecryptBlock(const char* in, char* out) const;

    // XORs the BlockSize() bytes of `other` into `buffer`; nothing before the key is ready.
    void XorBlock(char* buffer, const char* other) const;

    // Process `length` bytes of `in` into `out` (both at least `length` bytes; they may be
    // the same buffer). Write nothing before the key is ready or when `length` is 0 or not
    // a multiple of the block size. CBC and CFB continue from the current chaining block.
    void EncryptBuffer(const char* in, char* out, size_t length, int mode);
    void DecryptBuffer(const char* in, char* out, size_t length, int mode);

  private:
    void EncryptBlock16(const uint8_t* in, uint8_t* out) const;
    void DecryptBlock16(const uint8_t* in, uint8_t* out) const;
    void EncryptBlockGeneral(const uint8_t* in, uint8_t* out) const;
    void DecryptBlockGeneral(const uint8_t* in, uint8_t* out) const;
    bool IsBufferUsable(size_t length) const;

    bool _keyReady = false;
    int _keyLength = 0;
    int _blockSize = 0;
    int _rounds = 0;
    uint32_t _encryptKeys[kMaxRounds + 1][kMaxBlockSize / 4] = {};
    uint32_t _decryptKeys[kMaxRounds + 1][kMaxBlockSize / 4] = {};
    uint8_t _initialChain[kMaxBlockSize] = {};
    uint8_t _chain[kMaxBlockSize] = {};
};
