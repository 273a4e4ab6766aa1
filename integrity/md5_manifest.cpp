#include "integrity/md5_manifest.h"

#include <Poco/Ascii.h>
#include <Poco/DigestEngine.h>
#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/MD5Engine.h>
#include <Poco/Path.h>
#include <Poco/StringTokenizer.h>

#include "integrity/text_mode_stream.h"
#include "platform/file_system.h"
#include "platform/text_utils.h"

const char* const kManifestRelativePath = "/Config/md5.csv";

namespace {

const char* const kHeader = "md5";
const char* const kStateNotExist = "not exist";
const char* const kStateChanged = "file changed";

// The file system's existence test throws for answers other than "absent" (a name the system
// rejects, an empty path). Such an entry names no file the launcher can reach, so it is
// reported as absent rather than ending the program. Poco takes UTF-8 file names.
bool FileExists(const std::string& path) {
    try {
        return Poco::File(AnsiToUtf8(path)).exists();
    } catch (const Poco::Exception&) {
        return false;
    }
}

ManifestRead FromFileRead(FileReadResult result) {
    switch (result) {
        case FileReadResult::Ok:
            return ManifestRead::Read;
        case FileReadResult::NotFound:
            return ManifestRead::Missing;
        case FileReadResult::NotRegularFile:
            return ManifestRead::NotRegularFile;
        case FileReadResult::TooLarge:
            return ManifestRead::TooLarge;
        case FileReadResult::CannotOpen:
        case FileReadResult::CannotRead:
            break;
    }
    return ManifestRead::Unreadable;
}

// What the reader gives back unchanged: no separator, no line end, nothing trimmed away,
// and no 0x1A, where text-mode reading stops.
bool IsListablePath(const std::string& path) {
    if (path.size() < 2 || path[0] != '/') return false;
    if (path.find_first_of(",\r\n\x1a") != std::string::npos) return false;
    return !Poco::Ascii::isSpace(path.back());
}

bool IsDigestText(const std::string& digest) {
    if (digest.size() != 32) return false;
    for (char c : digest)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

std::string ManifestProblem(ManifestRead result) {
    switch (result) {
        case ManifestRead::Read:
            return std::string();
        case ManifestRead::Missing:
            return FileReadProblem(FileReadResult::NotFound, kMaxManifestSize);
        case ManifestRead::NotRegularFile:
            return FileReadProblem(FileReadResult::NotRegularFile, kMaxManifestSize);
        case ManifestRead::TooLarge:
            return FileReadProblem(FileReadResult::TooLarge, kMaxManifestSize);
        case ManifestRead::Unreadable:
            return FileReadProblem(FileReadResult::CannotRead, kMaxManifestSize);
        case ManifestRead::WrongHeader:
            break;
    }
    return std::string("does not begin with the line \"") + kHeader + "\"";
}

ManifestRead ForEachMd5Entry(const std::string& manifestPath,
                             const std::function<void(const Md5Entry&)>& onEntry) {
    TextModeFileBuf text;
    const FileReadResult opened = text.Open(manifestPath, kMaxManifestSize);
    if (opened != FileReadResult::Ok) return FromFileRead(opened);
    std::istream in(&text);
    std::string line;
    const bool headed = std::getline(in, line) && line == kHeader;
    if (text.Problem() != FileReadResult::Ok) return FromFileRead(text.Problem());
    if (!headed) return ManifestRead::WrongHeader;
    Md5Entry entry;
    while (std::getline(in, line)) {
        Poco::StringTokenizer fields(line, ",", Poco::StringTokenizer::TOK_TRIM);
        // Path, digest and the empty field after the final comma: a line without its final
        // comma is not an entry.
        if (fields.count() > 2) {
            entry.path = fields[0];
            entry.md5 = fields[1];
            onEntry(entry);
        }
    }
    return text.Problem() == FileReadResult::Ok ? ManifestRead::Read : FromFileRead(text.Problem());
}

ManifestRead CheckMd5ManifestEach(const std::string& directory, const std::string& manifestPath,
                                  const std::function<void(const Md5Entry&)>& onFinding,
                                  size_t* entryCount) {
    const std::string nativeDirectory = ToNativePath(directory, true);
    size_t count = 0;
    Md5Entry finding;
    const ManifestRead read =
        ForEachMd5Entry(ToNativePath(manifestPath, true), [&](const Md5Entry& entry) {
            ++count;
            if (!CompareMd5Entry(nativeDirectory, entry, finding)) onFinding(finding);
        });
    if (entryCount != nullptr) *entryCount = count;
    return read;
}

bool CheckMd5Manifest(const std::string& directory, const std::string& manifestPath,
                      std::vector<Md5Entry>& results) {
    std::vector<Md5Entry> found;
    const ManifestRead read = CheckMd5ManifestEach(
        directory, manifestPath, [&found](const Md5Entry& finding) { found.push_back(finding); });
    if (read == ManifestRead::Read || !found.empty()) results.swap(found);
    return read == ManifestRead::Read && results.empty();
}

bool ReadMd5Manifest(const std::string& manifestPath, std::vector<Md5Entry>& entries) {
    return ForEachMd5Entry(manifestPath, [&entries](const Md5Entry& entry) {
               entries.push_back(entry);
           }) == ManifestRead::Read;
}

bool CompareMd5Entry(const std::string& directory, const Md5Entry& entry, Md5Entry& finding) {
    const std::string fullPath = directory + entry.path;
    const char* state = nullptr;
    if (!FileExists(fullPath)) {
        state = kStateNotExist;
    } else if (!IsFileMd5Equal(fullPath, entry.md5)) {
        state = kStateChanged;
    } else {
        return true;
    }
    finding.path = entry.path;
    finding.md5 = entry.md5;
    finding.state = state;
    return false;
}

bool CompareMd5Entries(const std::string& directory, const std::vector<Md5Entry>& entries,
                       std::vector<Md5Entry>& results) {
    results.clear();
    Md5Entry finding;
    for (const Md5Entry& entry : entries) {
        if (!CompareMd5Entry(directory, entry, finding)) results.push_back(finding);
    }
    return results.empty();
}

bool IsFileMd5Equal(const std::string& path, const std::string& expected) {
    std::string digest;
    if (!GetFileMd5(path, digest)) return false;
    return digest == expected;
}

bool GetFileMd5(const std::string& path, std::string& digest) {
    // A directory, FIFO or unreadable file has no digest: it must never match the digest of
    // empty content that a failed read would produce.
    TextModeFileBuf text;
    if (text.Open(path) != FileReadResult::Ok) return false;
    // The translated chunks go to the engine as they are: a digest stream would cut them
    // into its own small buffer first, which costs a fifth of the speed on large files.
    Poco::MD5Engine engine;
    const char* data = nullptr;
    size_t size = 0;
    while (text.ReadChunk(data, size)) engine.update(data, size);
    if (text.Problem() != FileReadResult::Ok) return false;
    digest = Poco::DigestEngine::digestToHex(engine.digest());
    return true;
}

bool FormatMd5Manifest(const std::vector<Md5Entry>& entries, std::string& text,
                       std::string& error) {
    std::string manifest = std::string(kHeader) + "\n";
    for (const Md5Entry& entry : entries) {
        if (!IsListablePath(entry.path)) {
            error = "path \"" + entry.path + "\" can not be written to a manifest";
            return false;
        }
        if (!IsDigestText(entry.md5)) {
            error = "digest \"" + entry.md5 + "\" of " + entry.path +
                    " is not 32 lower-case hex digits";
            return false;
        }
        manifest += entry.path + "," + entry.md5 + ",\n";
    }
    text.swap(manifest);
    return true;
}

std::string ToNativePath(const std::string& path, bool convert) {
    if (!convert) return path;
    try {
        // Parsed as UTF-8: a byte-wise parse of code page 936 would take the second byte of
        // some characters for a backslash.
        return Utf8ToAnsi(Poco::Path(AnsiToUtf8(path)).toString());
    } catch (const Poco::Exception&) {
        // A text the path class cannot parse is used as it stands; the existence test
        // then decides.
        return path;
    }
}
