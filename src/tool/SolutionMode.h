#pragma once

struct Session;

// Brings the project model up in `session`, in this order: the installation's
// directories (from `argv0`), the start-up system macros, the package directory
// macros and their stubs, the environment, the project and build systems and
// the "Platform" macro. Throws HException when a stub cannot be written.
void startProjectModel(Session& session, const char* argv0);

// Brings the project model up in `session`, loads the solution `inputFilename`
// and packages it into `outputFilename` (by default the solution's base name
// with ".hzr" in the current directory). `argv0` locates the installation.
// Returns the exit status.
int runSolutionMode(Session& session, const char* argv0);
