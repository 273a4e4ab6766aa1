#include "tests/platform/narrow_text_samples.h"

// Code page 936. 乗 (0x81 0x5C) and 嘰 (0x87 0x5C) end in the byte of "\": a byte-wise scan
// for separators would split them.
std::vector<std::string> NonAsciiNames() {
    return {"\xb2\xe2\xca\xd4", "\x81\x5c", "a\x87\x5c\x81\x5c"};  // 测试, 乗, a嘰乗
}

std::vector<std::string> UnlistableFileNames() {
    return {"a,b.txt"};
}
