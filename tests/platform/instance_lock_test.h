#pragma once
// What the instance lock tests share; each system supplies it in instance_lock_<platform>_test.cpp.

#include <string>
#include <vector>

// A name for a directory that is no plain ASCII, in the launcher's narrow text, and the
// same name with one letter in the other case.
extern const char* const kNonAsciiName;
extern const char* const kNonAsciiNameOtherCase;
// Whether two names that differ only in case name one directory here.
extern const bool kCaseBlindPaths;

// Other spellings of the existing directory `dir` (as test_support::TempDir gives it) that the
// system reads as `dir`.
std::vector<std::string> SystemSpellings(const std::string& dir);
