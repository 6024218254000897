#pragma once

#include <utility>

#include "package/Archive.h"
#include "tool/HReporter.h"
#include "tool/Invocation.h"

// Everything one run of the tool works on. `main` creates it after parsing the
// command line and hands it down by reference; nothing else holds run state, so a
// test or fuzz target makes a fresh session for each case.
struct Session {
    Session(HReporter& reporter, Invocation parsed) : report(reporter), invocation(std::move(parsed)) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HReporter& report;     // every message line goes through it
    Invocation invocation; // action, inputFilename, outputFilename, fileNames, verbose, createHZR
    Archive2 srcArchive;   // the package as read
    Archive2 dstArchive;   // the package being built
};
