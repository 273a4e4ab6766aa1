#pragma once
// Check of the installed files against the digest manifest Config/md5.csv: a header line
// "md5", then one "/relative/path,digest," line per file. Digests are MD5 over the content
// read the text-mode way (CR LF read as LF, reading ends at the first 0x1A byte).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Md5Entry {
    std::string path;   // as the manifest gives it, trimmed; begins with "/"
    std::string md5;    // as the manifest gives it, trimmed
    std::string state;  // in findings: "not exist" or "file changed"
};

// The manifest's place below the installation directory, for the launcher and VXPack alike.
extern const char* const kManifestRelativePath;  // "/Config/md5.csv"

// The largest manifest read (bytes): 256 MiB, some four million entries. The manifest is read
// line by line, so memory does not grow with its length.
constexpr uint64_t kMaxManifestSize = uint64_t(256) << 20;

// How reading a manifest ended.
enum class ManifestRead {
    Read,            // read to its end (its entries may still name missing or changed files)
    Missing,         // no file at the path
    NotRegularFile,  // a directory, FIFO or device
    TooLarge,        // larger than kMaxManifestSize
    Unreadable,      // it could not be opened or read to its end
    WrongHeader,     // its first line is not exactly "md5"
};
// What is wrong with a manifest that was not Read, to follow its path: "does not exist", "is not
// a regular file (a directory, FIFO or device)", "is larger than 268435456 bytes", "can not be
// opened", "can not be read", "does not begin with the line \"md5\"".
std::string ManifestProblem(ManifestRead result);

// Reads the manifest at `manifestPath` line by line, handing each entry to `onEntry` in order.
// Lines with fewer than three comma-separated fields are skipped. Entries handed on before a
// failure to read on stay handed on.
ManifestRead ForEachMd5Entry(const std::string& manifestPath,
                             const std::function<void(const Md5Entry&)>& onEntry);

// The check, entry by entry: each finding (see CompareMd5Entry) goes to `onFinding` as it is
// found, and `entryCount` (when given) counts the entries compared. Memory does not grow with
// the manifest. `directory` has no trailing separator.
ManifestRead CheckMd5ManifestEach(const std::string& directory, const std::string& manifestPath,
                                  const std::function<void(const Md5Entry&)>& onFinding,
                                  size_t* entryCount = nullptr);

// As CheckMd5ManifestEach, the findings collected. True when the manifest was read and every
// listed file is present and unchanged. False otherwise; `results` then holds one finding per
// missing or changed file in manifest order (left untouched when the manifest could not be
// read from its start or its header is wrong).
bool CheckMd5Manifest(const std::string& directory, const std::string& manifestPath,
                      std::vector<Md5Entry>& results);

// Reads the manifest's entries (appended to `entries`); false when it was not Read.
bool ReadMd5Manifest(const std::string& manifestPath, std::vector<Md5Entry>& entries);

// Compares one entry below `directory`: true when the file is present and unchanged. Else
// false with `finding` a copy of the entry whose state is "not exist" when `directory` + path
// cannot be found (also when the system rejects the name), "file changed" when its digest
// differs or cannot be computed.
bool CompareMd5Entry(const std::string& directory, const Md5Entry& entry, Md5Entry& finding);

// Clears `results`, compares each entry in order and appends a finding per failing one. True
// when none fails.
bool CompareMd5Entries(const std::string& directory, const std::vector<Md5Entry>& entries,
                       std::vector<Md5Entry>& results);

// Whether the text-mode digest of the file equals `expected` exactly.
bool IsFileMd5Equal(const std::string& path, const std::string& expected);

// Text-mode digest as 32 lower-case hex digits. False, `digest` untouched, when the path is
// not an existing regular file or cannot be opened or read (so it never matches any digest).
bool GetFileMd5(const std::string& path, std::string& digest);

// The text of a manifest the check accepts: the header line, then "path,digest," per entry,
// each line ending in LF. False with the reason in `error` when an entry cannot be read back
// as written: a path that does not begin with "/" or holds a comma, a line end or blanks at
// either end, or a digest that is not 32 lower-case hex digits.
bool FormatMd5Manifest(const std::vector<Md5Entry>& entries, std::string& text, std::string& error);

// With `convert`, the path in the platform's native form; else unchanged.
std::string ToNativePath(const std::string& path, bool convert);
