#pragma once

#include <functional>
#include <string>

#include "foundation/UniqueFd.h"

// Serialises the processes that write one file. The lock is a file beside it,
// "<file>.lock" (or ".<hash>.lock" when that name would be too long), created
// exclusively with the owner's process id in it, and held with flock(2) for as
// long as it exists. A lock file that no process holds is left over by an owner
// that died, and is taken over. Readers never take the lock: writers replace
// the file by rename, so a reader sees the old file or the new one, whole.
class LockFile {
public:
    // `file` is the path of the file to protect, symbolic links already followed.
    explicit LockFile(const std::string& file);
    ~LockFile(); // releases the lock
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Takes the lock, waiting up to `waitSeconds` while another process holds
    // it. False when it is still held then, or it cannot be created; error()
    // then names the lock file and says why. `waiting`, when given, is called
    // once, as soon as the lock is found held, with its holder ("process 989").
    bool acquire(double waitSeconds, const std::function<void(const std::string& holder)>& waiting = {});
    // Removes the lock file; done by the destructor too.
    void release();

    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

private:
    enum class Attempt { Taken, Held, Failed };
    Attempt tryCreate();
    Attempt tryTakeOver();

    std::string path_;
    std::string error_;
    UniqueFd fd_;
    int cleanupSlot_ = -1;
};
