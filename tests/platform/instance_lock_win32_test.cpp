// The instance lock on Win32: paths are case-blind and narrow text is code page 936.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text_utils.h"
#include "tests/platform/instance_lock_test.h"

// "站点Δ" and "站点δ" in code page 936: Greek letters have both cases there.
std::string NonAsciiName() {
    return "\xD5\xBE\xB5\xE3\xA6\xA4";
}

std::string NonAsciiNameOtherCase() {
    return "\xD5\xBE\xB5\xE3\xA6\xC4";
}

bool CaseBlindPaths() {
    return true;
}

std::vector<std::string> SystemSpellings(const std::string& dir) {
    std::string backslashed = dir;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    return {backslashed, backslashed + "\\", dir + "/./"};
}

bool MakeDirectory(const std::string& path) {
    return CreateDirectoryW(AnsiToWide(path).c_str(), nullptr) != 0;
}
