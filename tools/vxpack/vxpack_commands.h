#pragma once
// The commands of VXPack, the maintainer's tool that writes what the launcher reads: the
// digest manifest Config/md5.csv and the protected ".bry" form of CSV files. Each command
// writes its files whole or not at all.

#include <ostream>
#include <string>
#include <vector>

// Exit statuses of every command.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // verify: something differs; other commands: nothing written
constexpr int kExitUsage = 2;    // bad arguments, or (verify) a missing or unusable manifest

// Runs the command named by args[0] with the rest as its arguments (the program name is
// not included). Messages go to `out`, errors to `err`. Returns the exit status.
int RunVXPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `manifest DIR [PATH...]`: writes DIR/Config/md5.csv listing PATHs (relative to DIR), or
// without PATHs every regular file under DIR, sorted, except the manifest and DIR/log.
int RunManifestCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `protect FILE.csv...`: writes beside each the ".bry" file the launcher decrypts into it.
int RunProtectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `verify DIR`: the launcher's own manifest check on DIR, one line per finding.
int RunVerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Every regular file below `directory` as "/relative/path" with forward slashes, sorted,
// except Config/md5.csv and anything under log/. False with the reason in `error` when the
// directory cannot be walked.
bool ListInstalledFiles(const std::string& directory, std::vector<std::string>& paths,
                        std::string& error);
