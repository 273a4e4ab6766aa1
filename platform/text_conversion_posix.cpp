#include <Poco/UnicodeConverter.h>

#include "platform/text_utils.h"

// Narrow text is UTF-8 here. Poco converts it itself, so no thread ever changes the
// process-wide locale for it.
std::wstring AnsiToWide(const std::string& text) {
    std::wstring wide;
    Poco::UnicodeConverter::convert(text, wide);
    return wide;
}

std::string WideToAnsi(const std::wstring& text) {
    std::string narrow;
    Poco::UnicodeConverter::convert(text, narrow);
    return narrow;
}
