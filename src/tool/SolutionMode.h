#pragma once

struct Session;

// Brings the project model up in `session`, loads the solution `inputFilename`
// and packages it into `outputFilename` (by default the solution's base name
// with ".hzr" in the current directory). `argv0` locates the installation.
// Returns the exit status.
int runSolutionMode(Session& session, const char* argv0);
