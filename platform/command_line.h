#pragma once
#include <string>
#include <vector>

// Splits a command line into arguments the way the Windows C runtime does: blanks and tabs
// separate, double quotes group (a doubled quote inside quotes is a literal quote),
// backslashes are literal unless they precede a double quote (2n backslashes + quote: n
// backslashes and a group toggle; 2n+1: n backslashes and a literal quote).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
