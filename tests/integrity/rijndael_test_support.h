#pragma once
// What the cipher tests share: byte buffers, a keyed cipher, whole buffers through it, and
// random data that is the same on every run.

#include <cstdint>
#include <random>
#include <vector>

#include "integrity/rijndael_cipher.h"

using Bytes = std::vector<uint8_t>;
inline const auto C = [](const Bytes& b) { return reinterpret_cast<const char*>(b.data()); };
inline const auto M = [](Bytes& b) { return reinterpret_cast<char*>(b.data()); };

inline RijndaelCipher MakeCipher(const Bytes& key, const Bytes& chain, int blockSize) {
    RijndaelCipher cipher;
    cipher.ExpandKey(C(key), C(chain), int(key.size()), blockSize);
    return cipher;
}

// A whole buffer through `cipher` in `mode`, into a new buffer.
inline Bytes Buffer(RijndaelCipher& cipher, const Bytes& in, int mode, bool encrypt = false) {
    Bytes out(in.size());
    encrypt ? cipher.EncryptBuffer(C(in), M(out), in.size(), mode)
            : cipher.DecryptBuffer(C(in), M(out), in.size(), mode);
    return out;
}

// The same bytes on every run.
inline Bytes Random(size_t count) {
    static std::mt19937 random(99);
    Bytes bytes(count);
    for (uint8_t& b : bytes) b = uint8_t(random());
    return bytes;
}
