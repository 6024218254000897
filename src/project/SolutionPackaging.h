#pragma once

#include <functional>
#include <string>

class Archive2;
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
