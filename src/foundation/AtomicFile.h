#pragma once

#include <cstdio>
#include <string>

#include "foundation/ByteSink.h"
#include "foundation/UniqueFile.h"

// Writes a file so that it is never seen half-written: the bytes go to a hidden
// temporary file in the target's own directory, which replaces the target only
// when `commit` succeeds. The temporary is removed on every other path, including
// SIGINT, SIGTERM, SIGHUP and SIGPIPE while it exists. A target that is a
// symbolic link is written through: the link's final target is replaced.
class AtomicFile : public ByteSink {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; false when it cannot be created.
    bool create();
    bool put(const unsigned char* data, std::size_t size) override;
    // Flushes, syncs, gives the file the permission bits of the file it replaces
    // (those of a new file when there is none) and renames it over the target;
    // false on any failure, the target then untouched.
    bool commit();
    // Removes the temporary; the target stays as it was.
    void abandon();

    // The reason of the last failure, naming the target: "can't create T: ...",
    // "write error on T: ..." or "can't replace T: ...".
    std::string error() const;

private:
    void fail(const char* what);

    std::string name_;   // as the caller named it, for messages
    std::string target_; // the file that is replaced, links followed
    std::string temporary_;
    int cleanupSlot_ = -1;
    UniqueFile stream_;
    std::string error_;
};
