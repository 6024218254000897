#pragma once

#include <csignal>
#include <string>

// Files that must not outlive the process: a temporary being written, a lock
// being held. While a path is registered, SIGINT, SIGTERM, SIGHUP and SIGPIPE
// unlink it before the process dies of the signal as it would have anyway.
namespace SignalCleanup {

// Ignores SIGXFSZ, so that a write past the file-size limit fails with EFBIG and
// takes the ordinary error path (which removes its temporary) instead of killing
// the process. Called once at start-up.
void ignoreFileSizeSignal();

// Registers `path` for removal on a signal. Returns a slot to release, or -1 when
// every slot is taken or the path is too long to keep (it is then not removed on
// a signal, only on the ordinary paths).
int add(const std::string& path);

// Forgets the slot; the file itself is left alone. -1 is ignored.
void release(int slot);

// While `fd` is not -1, a cleanup signal first erases the line a terminal shows
// on `fd` ("\r" and ESC [ K), so that the shell's prompt starts on a clean line.
// Set it before the line is drawn and clear it after it is erased.
void eraseLineOnSignal(int fd);

// Holds the cleanup signals back while it lives, so that a file can be created
// and registered with no moment between at which a signal would leave it.
class Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    sigset_t saved_;
};

} // namespace SignalCleanup
