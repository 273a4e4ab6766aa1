// The digest manifest reader and check on any manifest content.
// Properties: never crashes; the reader accepts exactly a manifest whose first line is "md5";
// every entry comes from a line with at least two commas, and gives that line's first two
// fields trimmed, in manifest order (compared with a reading written out here from the rules);
// the check's findings are entries of the manifest, in its order, each "not exist" or
// "file changed", and a listed file with its right digest is never a finding.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "integrity/md5_manifest.h"

namespace {

// The one file the check can find, with its digest taken at start.
const char* const kListedName = "/station.txt";
const char* const kListedContent = "station\n";

bool IsTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsTrimmed(text[begin])) ++begin;
    while (end > begin && IsTrimmed(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The manifest's lines as a text-mode reading gives them: the content ends at the first
// 0x1A, CR LF is one line end, a line ends at LF, a last line without LF still counts.
std::vector<std::string> TextModeLines(const std::string& content) {
    std::string text = content.substr(0, content.find('\x1a'));
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(text[i]);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Whether the manifest is accepted, and its entries, by the rules of the format.
bool ExpectedEntries(const std::string& content, std::vector<Md5Entry>& entries) {
    std::vector<std::string> lines = TextModeLines(content);
    if (lines.empty() || lines[0] != "md5") return false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        size_t first = line.find(',');
        if (first == std::string::npos) continue;
        size_t second = line.find(',', first + 1);
        if (second == std::string::npos) continue;
        entries.push_back(Md5Entry{Trim(line.substr(0, first)),
                                   Trim(line.substr(first + 1, second - first - 1)), ""});
    }
    return true;
}

bool SameEntry(const Md5Entry& a, const Md5Entry& b) {
    return a.path == b.path && a.md5 == b.md5;
}

// Paths that climb out of the scratch directory could make the check digest any file of the
// machine; the reader's properties are checked on them all the same.
bool StaysInside(const std::vector<Md5Entry>& entries) {
    for (const Md5Entry& entry : entries)
        if (entry.path.find("..") != std::string::npos) return false;
    return entries.size() <= 64;
}

std::string g_listedDigest;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietConsole();
    std::string listed = fuzz::ScratchPath(std::string(kListedName).substr(1));
    fuzz::WriteFile(listed, kListedContent, strlen(kListedContent));
    FUZZ_CHECK(GetFileMd5(listed, g_listedDigest));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string manifest = fuzz::ScratchPath("md5.csv");
    std::string content = fuzz::AsText(data, size);
    fuzz::WriteFile(manifest, data, size);

    std::vector<Md5Entry> entries;
    bool read = ReadMd5Manifest(manifest, entries);
    std::vector<Md5Entry> expected;
    bool accepted = ExpectedEntries(content, expected);
    FUZZ_CHECK(read == accepted);
    FUZZ_CHECK(entries.size() == expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(SameEntry(entries[i], expected[i]));
        FUZZ_CHECK(entries[i].state.empty());
    }
    if (!read || !StaysInside(entries)) return 0;

    std::vector<Md5Entry> results{Md5Entry{"/stale", "stale", "stale"}};
    bool unchanged = CheckMd5Manifest(fuzz::ScratchDirectory(), manifest, results);
    FUZZ_CHECK(unchanged == results.empty());
    size_t next = 0;  // findings are a subsequence of the entries
    for (const Md5Entry& finding : results) {
        FUZZ_CHECK(finding.state == "not exist" || finding.state == "file changed");
        FUZZ_CHECK(!(finding.path == kListedName && finding.md5 == g_listedDigest));
        while (next < entries.size() && !SameEntry(entries[next], finding)) ++next;
        FUZZ_CHECK(next < entries.size());
        ++next;
    }
    return 0;
}
