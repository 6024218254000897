#pragma once

#include <string>

// The archive commands over the tool's globals: `srcArchive` is the package as
// read, `fileNames` the files named on the command line. Each returns the exit
// status: 0, or 1 after a fatal error (the package on disk is then unchanged).

// Create (action 1), remove (2) or replace (3), then write the package compressed.
int updateArchive();
// Print one line per member and a totals line.
int listArchive();
// Write every member to "tmp/" + its name, below the current directory.
int extractArchive();

// Appends every file below `dir` to `fileNames`, depth first, each directory's
// entries sorted by name ignoring case.
void addFilesFromDirectory(const std::string& dir);
