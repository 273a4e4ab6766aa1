#pragma once
// Check of the installed files against the digest manifest Config/md5.csv: a header line
// "md5", then one "/relative/path,digest," line per file. Digests are MD5 over the content
// read the text-mode way (CR LF read as LF, reading ends at the first 0x1A byte).

#include <string>
#include <vector>

struct Md5Entry {
    std::string path;   // as the manifest gives it, trimmed; begins with "/"
    std::string md5;    // as the manifest gives it, trimmed
    std::string state;  // in findings: "not exist" or "file changed"
};

// Reads the manifest and compares every entry below `directory` (no trailing separator).
// True when the manifest exists, its header is right and every listed file is present and
// unchanged. False otherwise; `results` then holds one finding per missing or changed file in
// manifest order (left untouched when the manifest itself is missing or its header wrong).
bool CheckMd5Manifest(const std::string& directory, const std::string& manifestPath,
                      std::vector<Md5Entry>& results);

// Reads the manifest's entries (appended to `entries`); false when it is missing or its
// header is wrong. Lines with fewer than three comma-separated fields are skipped.
bool ReadMd5Manifest(const std::string& manifestPath, std::vector<Md5Entry>& entries);

// Clears `results`, compares each entry in order and appends a finding per failing one:
// "not exist" when `directory` + path cannot be found (also when the system rejects the
// name), "file changed" when its digest differs or cannot be computed. True when none fails.
bool CompareMd5Entries(const std::string& directory, const std::vector<Md5Entry>& entries,
                       std::vector<Md5Entry>& results);

// Whether the text-mode digest of the file equals `expected` exactly.
bool IsFileMd5Equal(const std::string& path, const std::string& expected);

// Text-mode digest as 32 lower-case hex digits. False, `digest` untouched, when the path is
// not an existing regular file or cannot be opened (so it never matches any digest).
bool GetFileMd5(const std::string& path, std::string& digest);

// The text of a manifest the check accepts: the header line, then "path,digest," per entry,
// each line ending in LF. False with the reason in `error` when an entry cannot be read back
// as written: a path that does not begin with "/" or holds a comma, a line end or blanks at
// either end, or a digest that is not 32 lower-case hex digits.
bool FormatMd5Manifest(const std::vector<Md5Entry>& entries, std::string& text, std::string& error);

// Narrow texts are UTF-8 here: both return the bytes unchanged.
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);

// With `convert`, the path in the platform's native form; else unchanged.
std::string ToNativePath(const std::string& path, bool convert);
