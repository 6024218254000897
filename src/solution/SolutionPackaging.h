#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Archive2;
class ProgressObserver;
class ProjectElement;

// Told one line for each file the walk adds ("adding <member>") or leaves out
// ("leaving out <file name>: <reason>"); packaging itself says nothing.
using PackagingLog = std::function<void(const std::string& line)>;

// Adds every file named by `first`, its following siblings and their subtrees,
// depth first in document order, under its path relative to `baseDir`. A file
// is left out when its "file_name" holds a macro reference ("$"), its path has
// no relative form, its name is a member already, or it cannot be added.
void addToPackage(const std::string& baseDir, ProjectElement* first, Archive2& archive,
                  const PackagingLog& log = nullptr);

// Adds the file `path` as the member `memberName`; false, with nothing added,
// when it cannot be opened as a regular file or does not fit a member.
bool addFileToPackage(const std::string& path, const std::string& memberName, Archive2& archive);

// Writes the solution file, every file the tree names below the solution's
// directory and the package description file (when not null) as the
// compressed package `outputFile`, which is replaced only when all of it was
// written. False, with the reason in `error`, when it could not be. `log`,
// when set, hears of every file of the tree that is added or left out;
// `progress`, when set, of the writing. With `latestTime`, no member's time is later.
bool packageSolution(ProjectElement* solution, const std::string& outputFile,
                     const std::optional<std::string>& packageDescription, std::string& error,
                     const PackagingLog& log = nullptr, ProgressObserver* progress = nullptr,
                     std::optional<std::int64_t> latestTime = std::nullopt);
