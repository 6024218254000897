#pragma once

#include <string>
#include <vector>

enum class Resolved { Files, MissingDirectory };

// Appends to `fileNames` the files an archive-mode argument names on disk:
// - a directory: every file below it, depth first, each directory's entries
//   sorted by name ignoring case, the paths starting with the cleaned directory
//   name ("./src/" gives "src/a.c");
// - an existing file: its directory part, "/" and its name ("foo.c" gives "./foo.c");
// - anything else: a wildcard pattern in its directory, whose matching files are
//   appended sorted by name ignoring case (none is no error, nor is a directory
//   that cannot be read).
// MissingDirectory, with the directory in `missingDirectory`, when the pattern's
// directory does not exist (or is no directory); nothing is appended then.
Resolved resolveFileArgument(const std::string& arg, std::vector<std::string>& fileNames,
                             std::string& missingDirectory);
