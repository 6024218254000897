#pragma once

#include <cstdio>
#include <string>

#include "foundation/ByteSink.h"

// Writes a file so that it is never seen half-written: the bytes go to a hidden
// temporary file in the target's own directory, which replaces the target only
// when `commit` succeeds. The temporary is removed on every other path, including
// SIGINT, SIGTERM and SIGHUP while it exists.
class AtomicFile : public ByteSink {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; false when it cannot be created.
    bool create();
    bool put(const unsigned char* data, std::size_t size) override;
    // Flushes, syncs, gives the file the mode a new file would get and renames it
    // over the target; false on any failure, the target then untouched.
    bool commit();
    // Removes the temporary; the target stays as it was.
    void abandon();

    // The reason of the last failure, naming the target: "can't create T: ...",
    // "write error on T: ..." or "can't replace T: ...".
    std::string error() const;

private:
    void fail(const char* what);

    std::string target_;
    std::string temporary_;
    FILE* stream_ = nullptr;
    std::string error_;
};
