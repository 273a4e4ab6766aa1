#include "integrity/md5_manifest.h"

#include <Poco/Ascii.h>
#include <Poco/DigestEngine.h>
#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/MD5Engine.h>
#include <Poco/Path.h>
#include <Poco/StringTokenizer.h>

#include "integrity/text_mode_stream.h"

namespace {

const char* const kHeader = "md5";
const char* const kStateNotExist = "not exist";
const char* const kStateChanged = "file changed";

// The file system's existence test throws for answers other than "absent" (a name the system
// rejects, an empty path). Such an entry names no file the launcher can reach, so it is
// reported as absent rather than ending the program.
bool FileExists(const std::string& path) {
    try {
        return Poco::File(path).exists();
    } catch (const Poco::Exception&) {
        return false;
    }
}

bool IsRegularFile(const std::string& path) {
    try {
        Poco::File file(path);
        return file.exists() && file.isFile();
    } catch (const Poco::Exception&) {
        return false;
    }
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

bool CheckMd5Manifest(const std::string& directory, const std::string& manifestPath,
                      std::vector<Md5Entry>& results) {
    std::string nativeDirectory = ToNativePath(directory, true);
    std::string nativeManifest = ToNativePath(manifestPath, true);
    std::vector<Md5Entry> entries;
    if (!ReadMd5Manifest(nativeManifest, entries)) return false;
    return CompareMd5Entries(nativeDirectory, entries, results);
}

bool ReadMd5Manifest(const std::string& manifestPath, std::vector<Md5Entry>& entries) {
    if (!FileExists(manifestPath)) return false;
    TextModeFileStream in(manifestPath);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return false;
    while (std::getline(in, line)) {
        Poco::StringTokenizer fields(line, ",", Poco::StringTokenizer::TOK_TRIM);
        // Path, digest and the empty field after the final comma: a line without its final
        // comma is not an entry.
        if (fields.count() > 2) entries.push_back(Md5Entry{fields[0], fields[1], ""});
    }
    return true;
}

bool CompareMd5Entries(const std::string& directory, const std::vector<Md5Entry>& entries,
                       std::vector<Md5Entry>& results) {
    results.clear();
    for (const Md5Entry& entry : entries) {
        std::string fullPath = directory + entry.path;
        if (!FileExists(fullPath)) {
            results.push_back(Md5Entry{entry.path, entry.md5, kStateNotExist});
        } else if (!IsFileMd5Equal(fullPath, entry.md5)) {
            results.push_back(Md5Entry{entry.path, entry.md5, kStateChanged});
        }
    }
    return results.empty();
}

bool IsFileMd5Equal(const std::string& path, const std::string& expected) {
    std::string digest;
    if (!GetFileMd5(path, digest)) return false;
    return digest == expected;
}

bool GetFileMd5(const std::string& path, std::string& digest) {
    // A directory or an unreadable file has no digest: it must never match the digest of
    // empty content that a failed read would produce.
    if (!IsRegularFile(path)) return false;
    TextModeFileBuf text;
    if (!text.Open(Utf8ToAnsi(path))) return false;
    // The translated chunks go to the engine as they are: a digest stream would cut them
    // into its own small buffer first, which costs a fifth of the speed on large files.
    Poco::MD5Engine engine;
    const char* data = nullptr;
    size_t size = 0;
    while (text.ReadChunk(data, size)) engine.update(data, size);
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

std::string AnsiToUtf8(const std::string& text) {
    return text;
}

std::string Utf8ToAnsi(const std::string& text) {
    return text;
}

std::string ToNativePath(const std::string& path, bool convert) {
    if (!convert) return path;
    try {
        return Poco::Path(AnsiToUtf8(path)).toString();
    } catch (const Poco::Exception&) {
        // A text the path class cannot parse is used as it stands; the existence test
        // then decides.
        return path;
    }
}
