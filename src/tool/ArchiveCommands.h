#pragma once

struct Session;

// The archive commands over a session: `srcArchive` is the package as read,
// `invocation.fileNames` the files named on the command line. Each returns the
// exit status: 0, or 1 after a fatal error (the package on disk is then unchanged).

// Create, remove or replace, then write the package compressed.
int updateArchive(Session& session);
// Print one line per member and a totals line.
int listArchive(Session& session);
// Write every member to "tmp/" + its name, below the current directory.
int extractArchive(Session& session);
