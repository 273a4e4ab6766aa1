// The instance lock on Win32: paths are case-blind and narrow text is code page 936.
#include <algorithm>

#include "tests/platform/instance_lock_test.h"

// "站点Δ" and "站点δ" in code page 936: Greek letters have both cases there.
const char* const kNonAsciiName = "\xD5\xBE\xB5\xE3\xA6\xA4";
const char* const kNonAsciiNameOtherCase = "\xD5\xBE\xB5\xE3\xA6\xC4";
const bool kCaseBlindPaths = true;

std::vector<std::string> SystemSpellings(const std::string& dir) {
    std::string backslashed = dir;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    return {backslashed, backslashed + "\\", dir + "/./"};
}
