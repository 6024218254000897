#include "foundation/ConfinedDirectory.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "foundation/PathText.h"
#include "foundation/SignalCleanup.h"

namespace {

constexpr int kMaxLinks = 40;

// The first `count` parts joined by "/".
std::string joinedParts(const std::vector<std::string>& parts, std::size_t count)
{
    std::string joined;
    for (std::size_t i = 0; i < count; ++i)
        joined += (i == 0 ? "" : "/") + parts[i];
    return joined;
}

} // namespace

ConfinedDirectory::ConfinedDirectory(std::string root) : root_(std::move(root)) {}

bool ConfinedDirectory::openRoot()
{
    if (rootFd_)
        return true;
    if (mkdir(root_.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    if (rootFd_ = std::make_shared<UniqueFd>(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); !*rootFd_) {
        rootFd_.reset();
        return false;
    }
    pid_ = getpid();
    char* resolved = realpath(root_.c_str(), nullptr);
    rootPath_ = resolved != nullptr ? resolved : cleanDirPath(absolutePath(root_));
    std::free(resolved);
    return true;
}

ConfinedDirectory::Result ConfinedDirectory::createFile(const std::string& relative, int& fd, PendingFile& pending)
{
    pending.discard();
    if (!openRoot())
        return Result::Failed;
    Walk walk;
    std::string leaf;
    // A name ending in "/" names a directory: the directories on the way are made
    // (or refused) as for any name, and then the name ends at a directory.
    if (!relative.empty() && relative.back() == '/')
        return locate(relative + ".", walk, leaf);
    int dir = -1;
    std::string dirPath = root_; // the same directory by name, for the signal handler
    // A name of plain parts ("." and ".." change where the walk is) can take the quick way.
    const std::vector<std::string> parts = pathComponents(relative);
    const bool plain = !parts.empty() && std::none_of(parts.begin(), parts.end(), [](const std::string& part) {
        return part == "." || part == "..";
    });
    const bool chained = plain && followChain(parts, dir);
    if (chained) {
        leaf = parts.back();
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            dirPath += "/" + parts[i];
    } else {
        Result result = locate(relative, walk, leaf);
        if (result != Result::Ok)
            return result;
        dir = walk.current();
        for (const std::string& name : walk.names())
            dirPath += "/" + name;
    }
    // A directory in the place is found when the temporary is renamed over it,
    // which fails as creating the file would: one call less for every member.
    if (chained)
        pending.dir_ = dir == rootFd_->get() ? rootFd_ : chain_.back().second;
    else
        pending.dir_ = std::make_shared<UniqueFd>(fcntl(dir, F_DUPFD_CLOEXEC, 0));
    if (!*pending.dir_)
        return Result::Failed;
    // Always a new file, so a link is never written through. A short stem of
    // its own, so that the name fits wherever the member's does.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = ".mkpkg-" + std::to_string(pid_) + "-" + std::to_string(++serial_);
        // Registered before it exists, so that no signal can come between: the
        // name is this process's own.
        pending.cleanupSlot_ = SignalCleanup::add(dirPath + "/" + temporary);
        fd = openat(pending.dir_->get(), temporary.c_str(), flags, 0600);
        if (fd >= 0) {
            pending.leaf_ = leaf;
            pending.temporary_ = temporary;
            return Result::Ok;
        }
        const int failure = errno;
        SignalCleanup::release(std::exchange(pending.cleanupSlot_, -1));
        if (failure != EEXIST) {
            errno = failure;
            break;
        }
    }
    pending.dir_.reset();
    return Result::Failed;
}

bool PendingFile::commit()
{
    // No fsync: the promise is a whole member after an interrupt, not after a power cut.
    if (renameat(dir_->get(), temporary_.c_str(), dir_->get(), leaf_.c_str()) != 0) {
        const int failure = errno;
        discard();
        errno = failure;
        return false;
    }
    temporary_.clear();
    SignalCleanup::release(std::exchange(cleanupSlot_, -1));
    dir_.reset();
    return true;
}

void PendingFile::discard()
{
    if (!temporary_.empty())
        unlinkat(dir_->get(), temporary_.c_str(), 0);
    temporary_.clear();
    SignalCleanup::release(std::exchange(cleanupSlot_, -1));
    dir_.reset();
}

void ConfinedDirectory::removeDirectoriesMadeAfter(std::size_t kept)
{
    // By the names the walks took through real directories, never through links.
    dropChain(0);
    while (made_.size() > kept) {
        unlinkat(rootFd_->get(), made_.back().c_str(), AT_REMOVEDIR);
        made_.pop_back();
    }
}

bool ConfinedDirectory::followChain(const std::vector<std::string>& parts, int& dir)
{
    const std::size_t directories = parts.size() - 1;
    std::size_t keep = 0;
    while (keep < chain_.size() && keep < directories && chain_[keep].first == parts[keep])
        ++keep;
    dropChain(keep);
    for (std::size_t i = keep; i < directories; ++i) {
        const int parent = chain_.empty() ? rootFd_->get() : chain_.back().second->get();
        const char* name = parts[i].c_str();
        int opened = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (opened < 0 && errno == ENOENT && mkdirat(parent, name, 0777) == 0) {
            made_.push_back(joinedParts(parts, i + 1));
            opened = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (opened < 0)
            return false;
        chain_.emplace_back(parts[i], std::make_shared<UniqueFd>(opened));
    }
    dir = chain_.size() == directories && directories > 0 ? chain_.back().second->get() : rootFd_->get();
    return true;
}

void ConfinedDirectory::dropChain(std::size_t keep)
{
    chain_.erase(chain_.begin() + static_cast<std::ptrdiff_t>(keep), chain_.end());
}

ConfinedDirectory::Result ConfinedDirectory::locate(const std::string& relative, Walk& walk, std::string& leaf)
{
    if (!openRoot())
        return Result::Failed;
    walk.start(rootFd_->get());
    std::deque<std::string> pending;
    for (std::string& part : pathComponents(relative))
        pending.push_back(std::move(part));
    int links = 0;
    while (!pending.empty()) {
        std::string part = std::move(pending.front());
        pending.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            if (walk.atRoot())
                return Result::Outside;
            walk.leave();
            continue;
        }
        if (pending.empty()) {
            leaf = std::move(part);
            return Result::Ok;
        }
        int dir = openat(walk.current(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dir < 0 && errno == ENOENT && mkdirat(walk.current(), part.c_str(), 0777) == 0) {
            std::vector<std::string> names = walk.names();
            names.push_back(part);
            made_.push_back(joinedParts(names, names.size()));
            dir = openat(walk.current(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (dir >= 0) {
            walk.enter(dir, std::move(part));
            continue;
        }
        if (errno != ELOOP && errno != ENOTDIR)
            return Result::Failed;
        int savedErrno = errno;
        char text[PATH_MAX];
        ssize_t length = readlinkat(walk.current(), part.c_str(), text, sizeof text);
        if (length < 0) {
            errno = savedErrno; // not a link: a file is in the way
            return Result::Failed;
        }
        if (++links > kMaxLinks || length == 0 || static_cast<std::size_t>(length) == sizeof text) {
            errno = ELOOP;
            return Result::Failed;
        }
        std::string target(text, static_cast<std::size_t>(length));
        if (target[0] == '/') {
            // An absolute link counts only when it names a place below the root.
            std::string folded = cleanDirPath(target);
            if (folded != rootPath_ && !folded.starts_with(rootPath_ + "/"))
                return Result::Outside;
            target = folded.substr(rootPath_.size());
            walk.toRoot();
        }
        std::vector<std::string> expanded = pathComponents(target);
        pending.insert(pending.begin(), expanded.begin(), expanded.end());
    }
    errno = EISDIR; // the name folds to the root itself
    return Result::Failed;
}
