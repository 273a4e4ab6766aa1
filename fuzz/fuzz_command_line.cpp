// Command-line splitting of the child runner, on any text.
// Properties: never crashes; a line without quotes and backslashes gives exactly its blank-
// and tab-separated words; arguments of any bytes (the input cut at zero bytes), each
// quoted the way the runtime's rules read back and joined by blanks, split into the same
// arguments.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/command_line.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// In quotes; 2n+1 backslashes before a literal quote, 2n before the closing one.
std::string Quote(const std::string& argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        quoted.push_back(c);
        backslashes = 0;
    }
    quoted.append(2 * backslashes, '\\');
    quoted.push_back('"');
    return quoted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::AsText(data, size);
    std::vector<std::string> split = SplitCommandLine(text);
    if (text.find_first_of("\"\\") == std::string::npos) FUZZ_CHECK(split == Words(text));

    std::vector<std::string> arguments;
    if (size > 0) {
        size_t start = 0;
        for (;;) {
            size_t end = text.find('\0', start);
            arguments.push_back(text.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + Quote(argument);
    FUZZ_CHECK(SplitCommandLine(line) == arguments);
    return 0;
}
