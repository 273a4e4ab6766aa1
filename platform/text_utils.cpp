#include "platform/text_utils.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string ToForwardSlashes(std::string path) {
    // c_str: the character length looks at the next byte, the terminator at the end.
    for (size_t i = 0; i < path.size(); i += NarrowCharLength(path.c_str() + i)) {
        if (path[i] == '\\') path[i] = '/';
    }
    return path;
}

const char* GetFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; p += NarrowCharLength(p)) {
        if (*p == '/' || *p == '\\') name = p + 1;
    }
    return name;
}

bool EndsWithSeparator(const std::string& path) {
    // Only the name can end in a separator; a text with a zero byte names no file anyway.
    return !path.empty() && *GetFileName(path.c_str()) == '\0';
}

void SplitString(const std::string& text, const std::string& separator,
                 std::vector<std::string>& pieces) {
    if (separator.empty()) {  // nothing to split at; an empty separator would never end
        if (!text.empty()) pieces.push_back(text);
        return;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            pieces.push_back(text.substr(start));
            return;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

int ReplaceString(std::string& text, const std::string& pattern, const std::string& replacement,
                  bool all) {
    if (pattern.empty()) return 0;  // an empty pattern matches everywhere and would never end
    int count = 0;
    size_t at = text.find(pattern);
    while (at != std::string::npos) {
        text.replace(at, pattern.size(), replacement);
        ++count;
        if (!all) break;
        at = text.find(pattern, at + replacement.size());
    }
    return count;
}

void RemoveChars(std::string& text, const char* set, size_t count) {
    if (set == nullptr) return;
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (memchr(set, c, count) == nullptr) kept.push_back(c);
    }
    text.swap(kept);
}

namespace {
const size_t kFirstFormatBuffer = 2048;
}  // namespace

std::string FormatArgs(const char* format, va_list args) {
    // The first attempt goes to the stack; nearly every message fits it.
    char first[kFirstFormatBuffer];
    va_list copy;
    va_copy(copy, args);
    int count = vsnprintf(first, sizeof(first), format, copy);
    va_end(copy);
    // A negative count is a conversion the formatter cannot make at all (not a short
    // buffer): growing would never end, so the message is dropped.
    if (count < 0) return std::string();
    std::string text;
    // One byte more than needed, for the line end that LOG_PRINT adds.
    text.reserve(static_cast<size_t>(count) + 1);
    if (static_cast<size_t>(count) < sizeof(first)) {
        text.assign(first, static_cast<size_t>(count));
        return text;
    }
    // Doubling from the first size until the whole text fits, terminator included.
    size_t size = sizeof(first);
    while (size <= static_cast<size_t>(count)) size *= 2;
    text.resize(size);
    va_copy(copy, args);
    count = vsnprintf(&text[0], size, format, copy);
    va_end(copy);
    if (count < 0) return std::string();
    text.resize(static_cast<size_t>(count));
    return text;
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatArgs(format, args);
    va_end(args);
    return text;
}
