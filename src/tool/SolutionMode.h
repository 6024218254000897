#pragma once

struct Session;

// Brings up the project model, loads the solution `inputFilename` and packages
// it into `outputFilename` (by default the solution's base name with ".hzr" in
// the current directory). `argv0` locates the installation. Returns the exit status.
int runSolutionMode(Session& session, const char* argv0);
