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

size_t NarrowCharLength(const char* text) {
    return 1;  // UTF-8: no ASCII byte inside a character, so byte steps never split one
}

std::string AnsiToUtf8(const std::string& text) {
    return text;
}

std::string Utf8ToAnsi(const std::string& text) {
    return text;
}

const char kTextLineEnd[] = "\n";
