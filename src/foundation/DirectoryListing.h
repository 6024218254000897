#pragma once

#include <optional>
#include <string>
#include <vector>

// Directory listing and file-system queries shared by the subsystems.

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

// Appends every file below `dir` to `files`, depth first, each directory's
// entries in listDirectory's order, as `dir` + "/" + the names on the way. A
// link back to a directory being walked is skipped, so the walk always ends.
void listFilesBelow(const std::string& dir, std::vector<std::string>& files);

// True when `a` sorts before `b` ignoring ASCII case, exact bytes breaking ties.
bool lessIgnoringCase(const std::string& a, const std::string& b);

bool isDirectory(const std::string& path);
// True for anything that exists and is not a directory.
bool isExistingNonDirectory(const std::string& path);

// Where `path` leads when its symbolic links are followed to the end: the path
// itself when it is no link or does not exist, else the last link's target (which
// may not exist yet). Relative link texts are taken from the link's directory.
std::string followLinks(const std::string& path);
