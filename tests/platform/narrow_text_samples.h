#pragma once
// Narrow texts of the platform (narrow_text_samples_<platform>.cpp) for the tests of text, paths
// and files, and the round trip that the conversion tests of each platform share.

#include <string>
#include <vector>

// Names in the platform's narrow text, beyond ASCII; on Windows some hold a 0x5C second byte.
std::vector<std::string> NonAsciiNames();

// Round trips of `narrow` through wide text on four threads at once: how many came back changed.
int ConcurrentRoundTripFailures(const std::string& narrow);

// File names the platform's file system takes that no manifest line can carry: one with a
// comma everywhere; on Linux also a trailing blank and a line end, which Windows refuses.
std::vector<std::string> UnlistableFileNames();
