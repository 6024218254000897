#pragma once

#include <optional>
#include <string>
#include <vector>

#include "package/Archive.h"
#include "tool/HReporter.h"

// The tool's process-wide state, filled by the command line.

// What the archive commands do; `action` holds one of these.
enum Action { kActionList = 0, kActionCreate = 1, kActionRemove = 2, kActionReplace = 3, kActionExtract = 4 };

extern std::optional<std::string> inputFilename;
extern std::optional<std::string> outputFilename;
extern std::vector<std::string> fileNames;
extern int action;
extern bool createHZR;
extern bool verbose;
extern HReporter* report;
extern Archive2 srcArchive;
extern Archive2 dstArchive;

// Puts every global back as it was at start-up (for tests).
void resetToolGlobals();
