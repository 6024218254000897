#pragma once

#include <optional>
#include <string>
#include <vector>

// Directory listing and path text helpers shared by the subsystems.

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};

enum class EntryFilter { DirectoriesAndFiles, FilesOnly };

// Lists `dir` sorted by name ignoring ASCII case (ties broken by the exact bytes,
// so the order is total). Hidden names (leading "."), special files and dangling
// links are left out; links count as what they point to. With `pattern`, only
// names that match one of its patterns (see splitNameFilter) are listed. Empty
// when the directory cannot be read.
std::optional<std::vector<DirEntry>> listDirectory(const std::string& dir, EntryFilter filter,
                                                   const std::string* nameFilter = nullptr);

// The patterns of a name filter: separated by ";" or blanks, empty ones dropped.
// Each is a case-sensitive shell wildcard ("*", "?" and "[...]").
std::vector<std::string> splitNameFilter(const std::string& nameFilter);

// True when `a` sorts before `b` ignoring ASCII case, exact bytes breaking ties.
bool lessIgnoringCase(const std::string& a, const std::string& b);

bool isDirectory(const std::string& path);
// True for anything that exists and is not a directory.
bool isExistingNonDirectory(const std::string& path);

// `path` made absolute against the current directory (not cleaned).
std::string absolutePath(const std::string& path);

// Drops empty and "." components and folds "name/.." pairs, as a directory name
// is shown: "./src/" gives "src", "a//b/../c" gives "a/c", "" and "./" give ".".
std::string cleanDirPath(const std::string& path);

// Everything before the last "/"; "." when there is none, "/" when the only "/"
// is the first character.
std::string directoryPart(const std::string& path);

// Where `path` leads when its symbolic links are followed to the end: the path
// itself when it is no link or does not exist, else the last link's target (which
// may not exist yet). Relative link texts are taken from the link's directory.
std::string followLinks(const std::string& path);
