#pragma once
#include <functional>
#include <string>
#include <vector>

// Splits a command line into arguments the way the Windows C runtime does: blanks and tabs
// separate, double quotes group (a doubled quote inside quotes is a literal quote),
// backslashes are literal unless they precede a double quote (2n backslashes + quote: n
// backslashes and a group toggle; 2n+1: n backslashes and a literal quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Splits a command line to start a program, reading the program's path as Windows process
// creation does: when the line does not start with a double quote, every prefix of it that
// ends at a blank or tab (then the whole line) is tried in turn, shortest first, and the first
// for which `namesProgram` is true is the program, whatever blanks or quotes it holds; the
// rest is split by SplitCommandLine. Without such a prefix, SplitCommandLine of the whole line.
std::vector<std::string> SplitProgramCommandLine(
    const std::string& commandLine, const std::function<bool(const std::string&)>& namesProgram);
