#pragma once

#include <string>
#include <sys/stat.h>

#include "foundation/UniqueFd.h"

// Opens and looks up files by path, keeping the directory of the last one open:
// files named one after another in one directory (a tree walked in order) then
// cost a lookup of their own name instead of a walk of the whole path from the root.
class SiblingOpener {
public:
    SiblingOpener() = default;
    SiblingOpener(const SiblingOpener&) = delete;
    SiblingOpener& operator=(const SiblingOpener&) = delete;

    // What open(2) of `path` with `flags` gives, errno included.
    int open(const std::string& path, int flags);
    // What stat(2) of `path` gives, errno included.
    int stat(const std::string& path, struct stat& status);
    // What access(2) of `path` for `mode` gives, checked with the effective ids
    // as open(2) checks them, errno included.
    int access(const std::string& path, int mode);

private:
    // The descriptor to look `path` up relative to, and the name to look up there:
    // the kept directory and the last component, or the current directory and the whole path.
    int directoryOf(const std::string& path, const char*& name);

    std::string dir_;
    UniqueFd dirFd_;
};
