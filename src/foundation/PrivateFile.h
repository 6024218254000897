#pragma once

#include <cstdio>
#include <string>

// Opens a new file in `dir` for reading and writing that has no name: no other
// process can open it, and it vanishes when closed or when the process ends,
// however it ends. Null with errno set when none can be made there.
FILE* openPrivateFile(const std::string& dir);
