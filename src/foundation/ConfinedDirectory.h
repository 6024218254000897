#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/UniqueFd.h"

// A file being written under a temporary name in the directory of its place,
// so that the place shows the old file or the whole new one, never a part.
// While it exists the temporary is removed on SIGINT, SIGTERM, SIGHUP and
// SIGPIPE; it is removed when the owner goes without `commit`.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Renames the temporary over its place (a file or link there is replaced);
    // false with errno set when that fails, the temporary then removed.
    bool commit();
    // Removes the temporary, if any; the place stays as it was.
    void discard();

private:
    friend class ConfinedDirectory;
    std::shared_ptr<const UniqueFd> dir_; // shared with the directory it was made in
    std::string leaf_;
    std::string temporary_; // a name in dir_
    int cleanupSlot_ = -1;
};

// Creates files below one directory and nowhere else, whatever the names ask
// for and whatever symbolic links the tree below it holds. Each directory on the
// way is opened without following links; a link met there is resolved by hand,
// and kept only when it leads back inside. The root itself may be a link: it is
// the caller's choice.
class ConfinedDirectory {
public:
    explicit ConfinedDirectory(std::string root);
    ConfinedDirectory(const ConfinedDirectory&) = delete;
    ConfinedDirectory& operator=(const ConfinedDirectory&) = delete;

    enum class Result { Ok, Outside, Failed };

    // Opens a new file (mode 0600 before the umask) for writing under a
    // temporary name beside the place `relative` names below the root, which
    // `pending` then holds: missing directories on the way are created, a file
    // or link in the place stays until `pending.commit()` replaces it. Ok with
    // `fd` set; Outside when the name leads out of the root; Failed with errno
    // set otherwise (the root or a directory cannot be made, something not a
    // directory is in the way, the name folds to the root or ends in "/"). A
    // directory in the place is found by `pending.commit()`, which then fails.
    Result createFile(const std::string& relative, int& fd, PendingFile& pending);

    // How many directories createFile has made so far.
    std::size_t directoriesMade() const { return made_.size(); }
    // Removes, newest first, the directories made after the first `kept`, as far
    // as they are empty: those made for files that were then not kept.
    void removeDirectoriesMadeAfter(std::size_t kept);

private:
    // The directories opened from the root down; the root's descriptor is not owned.
    class Walk {
    public:
        void start(int root)
        {
            root_ = root;
            toRoot();
        }
        int current() const { return below_.empty() ? root_ : below_.back().get(); }
        bool atRoot() const { return below_.empty(); }
        void enter(int fd, std::string name)
        {
            below_.emplace_back(fd);
            names_.push_back(std::move(name));
        }
        void leave()
        {
            below_.pop_back();
            names_.pop_back();
        }
        void toRoot()
        {
            below_.clear();
            names_.clear();
        }
        // The names of the directories entered: real directories, never links.
        const std::vector<std::string>& names() const { return names_; }

    private:
        int root_ = -1;
        std::vector<UniqueFd> below_;
        std::vector<std::string> names_;
    };

    bool openRoot();
    // Opens (making them where missing) the directories of `parts` but the last,
    // reusing those the previous name opened, and sets `dir` to the innermost.
    // False when a step meets anything but a directory or fails: the careful
    // walk then decides what that means.
    bool followChain(const std::vector<std::string>& parts, int& dir);
    void dropChain(std::size_t keep);
    // Opens the directories on the way to `relative`, leaving `walk` in the last
    // one and the final name in `leaf`.
    Result locate(const std::string& relative, Walk& walk, std::string& leaf);

    std::string root_;
    std::string rootPath_; // absolute and canonical, to judge absolute link texts
    std::shared_ptr<UniqueFd> rootFd_;
    // The directories below the root opened for the previous plain name, each
    // with its name: names come sorted, so most share all of them.
    std::vector<std::pair<std::string, std::shared_ptr<UniqueFd>>> chain_;
    std::vector<std::string> made_; // directories made, below the root, oldest first
    unsigned serial_ = 0; // numbers the temporaries this process makes here
    pid_t pid_ = 0;
};
