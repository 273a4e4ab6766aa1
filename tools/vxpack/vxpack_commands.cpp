#include "tools/vxpack/vxpack_commands.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "integrity/csv_decryptor.h"
#include "integrity/md5_manifest.h"
#include "integrity/replace_file.h"
#include "platform/file_system.h"
#include "platform/file_system_path.h"
#include "platform/text_utils.h"

namespace fs = std::filesystem;

namespace {

const char* const kLogDirectory = "log";

const char* const kUsage =
    "Usage:\n"
    "  VXPack manifest DIR [PATH...]\n"
    "      Writes DIR/Config/md5.csv: the header \"md5\", then \"/path,digest,\" for each\n"
    "      PATH (relative to DIR), or without PATHs for every regular file under DIR,\n"
    "      sorted, except the manifest itself and DIR/log.\n"
    "  VXPack protect FILE.csv...\n"
    "      Writes beside each file the .bry file from which the launcher restores it\n"
    "      (every \".csv\" of the path becomes \".bry\"). Content holding a zero byte is refused.\n"
    "  VXPack verify DIR\n"
    "      Checks the files under DIR against DIR/Config/md5.csv as the launcher does and\n"
    "      prints each finding.\n"
    "  VXPack --help\n"
    "\n"
    "Exit status: 0 success (verify: everything matches), 1 failure (verify: something\n"
    "differs), 2 bad usage (verify: manifest missing or unusable: no regular file, too large,\n"
    "unreadable or its header wrong).\n";

// The launcher's directory text: no trailing separator, since manifest paths begin with "/".
std::string WithoutTrailingSlash(std::string directory) {
    while (directory.size() > 1 && EndsWithSeparator(directory)) directory.pop_back();
    return directory;
}

bool IsDirectory(const std::string& path) {
    std::error_code ignored;
    return fs::is_directory(ToFileSystemPath(path), ignored);
}

// A PATH argument as the manifest writes it: forward slashes, one leading "/". False when
// it leaves DIR or names no regular file in it.
bool ToManifestPath(const std::string& directory, std::string argument, std::string& path,
                    std::string& error) {
    argument = ToForwardSlashes(argument);
    while (!argument.empty() && argument.front() == '/') argument.erase(0, 1);
    path = "/" + argument;
    for (const fs::path& part : ToFileSystemPath(argument))
        if (part == "..") {
            error = "path " + argument + " leaves " + directory;
            return false;
        }
    std::error_code ignored;
    if (argument.empty() || !fs::is_regular_file(ToFileSystemPath(directory + path), ignored)) {
        error = "no regular file " + directory + path;
        return false;
    }
    return true;
}

int Fail(std::ostream& err, const std::string& message, int status) {
    err << "VXPack: " << message << "\n";
    return status;
}

}  // namespace

bool ListInstalledFiles(const std::string& directory, std::vector<std::string>& paths,
                        std::string& error) {
    const fs::path root = ToFileSystemPath(directory);
    std::error_code failure;
    fs::recursive_directory_iterator it(root, failure);
    const fs::recursive_directory_iterator end;
    std::vector<std::string> found;
    for (; !failure && it != end; it.increment(failure)) {
        const fs::path relative = it->path().lexically_relative(root);
        if (it.depth() == 0 && relative == kLogDirectory) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code ignored;
        if (!it->is_regular_file(ignored)) continue;
        std::string path = "/" + FromFileSystemPath(relative);
        if (path != kManifestRelativePath) found.push_back(path);
    }
    if (failure) {
        error = "can not list " + directory + ": " + failure.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    paths.swap(found);
    return true;
}

int RunManifestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Fail(err, "manifest needs a directory", kExitUsage);
    const std::string directory = WithoutTrailingSlash(args[0]);
    if (!IsDirectory(directory)) return Fail(err, "no directory " + directory, kExitUsage);

    std::vector<std::string> paths;
    std::string error;
    if (args.size() == 1) {
        if (!ListInstalledFiles(directory, paths, error)) return Fail(err, error, kExitFailure);
    } else {
        // Listed paths keep the order given: the launcher reports findings in manifest order.
        for (size_t i = 1; i < args.size(); ++i) {
            std::string path;
            if (!ToManifestPath(directory, args[i], path, error))
                return Fail(err, error, kExitUsage);
            if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
        }
    }

    std::vector<Md5Entry> entries;
    for (const std::string& path : paths) {
        std::string digest;
        if (!GetFileMd5(directory + path, digest))
            return Fail(err, "can not read " + directory + path, kExitFailure);
        entries.push_back(Md5Entry{path, digest, ""});
    }
    std::string text;
    if (!FormatMd5Manifest(entries, text, error)) return Fail(err, error, kExitFailure);

    const std::string manifestPath = directory + kManifestRelativePath;
    std::error_code ignored;
    fs::create_directories(ToFileSystemPath(directory + "/Config"), ignored);
    if (!ReplaceFileContent(manifestPath, text, error)) return Fail(err, error, kExitFailure);
    out << "wrote " << manifestPath << " with " << entries.size() << " entries\n";
    return kExitSuccess;
}

int RunProtectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Fail(err, "protect needs at least one .csv file", kExitUsage);
    // Every argument is checked before anything is written.
    for (const std::string& csvPath : args) {
        const std::string name = GetFileName(csvPath.c_str());
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".csv") != 0)
            return Fail(err, csvPath + " is not a .csv file", kExitUsage);
    }
    CsvDecryptor cipher;
    std::string error;
    if (!cipher.SetKey(kCsvKey, kCsvChain, error)) return Fail(err, error, kExitFailure);
    for (const std::string& csvPath : args) {
        // The plain file is read as the launcher reads the protected one: a regular file, and
        // none whose protected form the launcher would refuse as too large.
        std::string content;
        int code = 0;
        const FileReadResult read = ReadWholeFile(csvPath, kMaxProtectedFileSize, content, code);
        if (read != FileReadResult::Ok)
            return Fail(err, csvPath + " " + FileReadProblem(read, kMaxProtectedFileSize),
                        kExitFailure);
        std::string text;
        if (!cipher.ProtectText(content, text, error))
            return Fail(err, csvPath + ": " + error, kExitFailure);
        if (text.size() > kMaxProtectedFileSize)
            return Fail(err,
                        csvPath + " is too large: its protected form would exceed " +
                            std::to_string(kMaxProtectedFileSize) + " bytes",
                        kExitFailure);
        // A new protected file is no more widely readable than the plain one.
        const std::string target = ProtectedPathFor(csvPath);
        if (!ReplaceFileContent(target, text, error, csvPath))
            return Fail(err, error, kExitFailure);
        out << "wrote " << target << "\n";
    }
    return kExitSuccess;
}

int RunVerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) return Fail(err, "verify needs exactly one directory", kExitUsage);
    const std::string directory = WithoutTrailingSlash(args[0]);
    if (!IsDirectory(directory)) return Fail(err, "no directory " + directory, kExitUsage);
    const std::string manifestPath = directory + kManifestRelativePath;
    // The launcher's own check, entry by entry: memory does not grow with the manifest.
    size_t entries = 0, differing = 0;
    const ManifestRead read = CheckMd5ManifestEach(
        directory, manifestPath,
        [&](const Md5Entry& finding) {
            out << finding.state << ": " << finding.path << "\n";
            ++differing;
        },
        &entries);
    if (read == ManifestRead::Missing) return Fail(err, "no manifest " + manifestPath, kExitUsage);
    if (read != ManifestRead::Read)
        return Fail(err, "manifest " + manifestPath + " " + ManifestProblem(read), kExitUsage);
    if (differing == 0) {
        out << "all " << entries << " entries match\n";
        return kExitSuccess;
    }
    out << differing << " of " << entries << " entries differ\n";
    return kExitFailure;
}

int RunVXPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitSuccess;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& argument : rest)
        if (argument == "--help" || argument == "-h") {
            out << kUsage;
            return kExitSuccess;
        }
    if (command == "manifest") return RunManifestCommand(rest, out, err);
    if (command == "protect") return RunProtectCommand(rest, out, err);
    if (command == "verify") return RunVerifyCommand(rest, out, err);
    err << "VXPack: unknown command " << command << "\n" << kUsage;
    return kExitUsage;
}
