#pragma once

// Runs the archive command chosen on the command line against `inputFilename`,
// unwrapping a compressed package first. Returns the exit status.
int runArchiveMode();
