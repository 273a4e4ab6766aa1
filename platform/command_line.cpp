#include "platform/command_line.h"

#include "platform/text_utils.h"

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    const size_t length = commandLine.size();
    size_t i = 0;
    for (;;) {
        while (i < length && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
        if (i >= length) break;

        std::string argument;
        bool inQuotes = false;
        while (i < length) {
            char c = commandLine[i];
            if ((c == ' ' || c == '\t') && !inQuotes) break;
            // A double-byte character is taken whole, as the runtime does: its second byte may
            // be 0x5C, no backslash.
            const size_t characterLength = NarrowCharLength(commandLine.c_str() + i);
            if (characterLength > 1) {
                argument.append(commandLine, i, characterLength);
                i += characterLength;
                continue;
            }
            if (c == '\\') {
                size_t backslashes = 0;
                while (i < length && commandLine[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < length && commandLine[i] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {  // the quote is escaped: a literal quote
                        argument.push_back('"');
                        ++i;
                    }
                    // else the quote stays for the next pass, where it groups
                } else {
                    argument.append(backslashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (inQuotes && i + 1 < length && commandLine[i + 1] == '"') {
                    argument.push_back('"');
                    i += 2;
                    continue;
                }
                inQuotes = !inQuotes;
                ++i;
                continue;
            }
            argument.push_back(c);
            ++i;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

std::vector<std::string> SplitProgramCommandLine(
    const std::string& commandLine, const std::function<bool(const std::string&)>& namesProgram) {
    size_t start = commandLine.find_first_not_of(" \t");
    if (start != std::string::npos && commandLine[start] != '"') {
        for (size_t end = start; end != std::string::npos;) {
            end = commandLine.find_first_of(" \t", end + 1);
            const std::string program = commandLine.substr(start, end - start);
            if (!namesProgram(program)) continue;
            std::vector<std::string> arguments{program};
            if (end != std::string::npos) {
                for (std::string& rest : SplitCommandLine(commandLine.substr(end)))
                    arguments.push_back(std::move(rest));
            }
            return arguments;
        }
    }
    return SplitCommandLine(commandLine);
}
