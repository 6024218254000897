#pragma once

#include <string>
#include <vector>

// The text encodings a file may be read in: "Default", then each name of a
// fixed list of encodings for which this platform has a converter, in that
// list's order. Found once, on the first call.
std::vector<std::string> knownCodecList();
