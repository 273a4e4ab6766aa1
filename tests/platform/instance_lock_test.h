#pragma once
// What the instance lock tests share; each system supplies it in instance_lock_<platform>_test.cpp.

#include <cstdint>
#include <string>
#include <vector>

// instance_lock_holder for `dir`, in a process of its own; killed when it goes.
class LockHolder {
  public:
    explicit LockHolder(const std::string& dir);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Ends the holder by force and collects it.
    void Kill();

    int pid = 0;
    std::string said;  // everything up to its "held\n" or "refused\n"

  private:
    intptr_t _process = 0;
};

// A name for a directory that is no plain ASCII, in the launcher's narrow text, and the
// same name with one letter in the other case.
std::string NonAsciiName();
std::string NonAsciiNameOtherCase();

// Whether two names that differ only in case name one directory here.
bool CaseBlindPaths();

// Other spellings of the existing directory `dir` (as test_support::TempDir gives it) that the
// system reads as `dir`.
std::vector<std::string> SystemSpellings(const std::string& dir);

// Makes the directory `path` (narrow text as the launcher has it).
bool MakeDirectory(const std::string& path);
