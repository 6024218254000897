#pragma once

#include <string>

// Opens files by path, keeping the directory of the last one open: files named one
// after another in one directory (a tree walked in order) then cost a lookup of
// their own name instead of a walk of the whole path from the root.
class SiblingOpener {
public:
    SiblingOpener() = default;
    ~SiblingOpener();
    SiblingOpener(const SiblingOpener&) = delete;
    SiblingOpener& operator=(const SiblingOpener&) = delete;

    // What open(2) of `path` with `flags` gives, errno included.
    int open(const std::string& path, int flags);

private:
    std::string dir_;
    int dirFd_ = -1;
};
