#pragma once
// What the instance lock tests share; each system supplies it in instance_lock_<platform>_test.cpp.

#include <string>
#include <vector>

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
