#pragma once

#include <string>
#include <vector>

// Path text helpers: "/"-separated names taken apart and put together as text,
// without asking the file system (absolutePath asks for the current directory).

// `path` made absolute against the current directory (not cleaned).
std::string absolutePath(const std::string& path);

// Drops empty and "." components and folds "name/.." pairs, as a directory name
// is shown: "./src/" gives "src", "a//b/../c" gives "a/c", "" and "./" give ".".
std::string cleanDirPath(const std::string& path);

// Everything before the last "/"; "." when there is none, "/" when the only "/"
// is the first character.
std::string directoryPart(const std::string& path);

// Everything after the last "/"; the whole text when there is none.
std::string fileNamePart(const std::string& path);

// The components between "/"s, empty ones dropped ("." and ".." kept).
std::vector<std::string> pathComponents(const std::string& path);
