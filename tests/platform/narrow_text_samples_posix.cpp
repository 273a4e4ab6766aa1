#include "tests/platform/narrow_text_samples.h"

// UTF-8.
std::vector<std::string> NonAsciiNames() {
    return {"\xe6\xb5\x8b\xe8\xaf\x95", "caf\xc3\xa9", "\xe4\xb9\x97"};  // 测试, café, 乗
}

std::vector<std::string> UnlistableFileNames() {
    return {"a,b.txt", "trailing ", "a\nb"};
}
