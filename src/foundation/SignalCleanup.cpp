#include "foundation/SignalCleanup.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace SignalCleanup {

namespace {

// A command holds at most a lock, the lock's link source and one package
// temporary, or an extraction's members written ahead (32) at a time.
constexpr int kSlots = 64;
constexpr std::size_t kPathSize = 4096;
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The handler reads a slot only while its flag is set, and the flag is set only
// after the path is complete (a signal fence keeps the compiler to that order);
// only the main thread registers, so no signal needs to be held back for it.
char paths[kSlots][kPathSize];
volatile sig_atomic_t inUse[kSlots];
// The terminal a progress line is shown on, for the handler to erase it; -1 while none is.
volatile sig_atomic_t lineFd = -1;

extern "C" void removeRegistered(int signal)
{
    if (lineFd >= 0) {
        static const char kErase[] = "\r\033[K";
        // Nothing more can be done if the terminal refuses it.
        [[maybe_unused]] ssize_t written = write(lineFd, kErase, sizeof kErase - 1);
    }
    for (int slot = 0; slot < kSlots; ++slot)
        if (inUse[slot])
            unlink(paths[slot]);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = removeRegistered;
    sigemptyset(&action.sa_mask);
    for (int signal : kCleanupSignals) {
        struct sigaction previous {};
        // A signal the caller chose to ignore (nohup, a shell's background job) stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

int add(const std::string& path)
{
    if (path.size() >= kPathSize)
        return -1;
    installHandlers();
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!inUse[slot]) {
            std::memcpy(paths[slot], path.c_str(), path.size() + 1);
            std::atomic_signal_fence(std::memory_order_seq_cst);
            inUse[slot] = 1;
            return slot;
        }
    }
    return -1;
}

void eraseLineOnSignal(int fd)
{
    Hold held;
    installHandlers();
    lineFd = fd;
}

void release(int slot)
{
    if (slot < 0 || slot >= kSlots)
        return;
    inUse[slot] = 0;
}

} // namespace SignalCleanup

namespace SignalCleanup {

Hold::Hold()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals)
        sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &saved_);
}

Hold::~Hold()
{
    sigprocmask(SIG_SETMASK, &saved_, nullptr);
}

} // namespace SignalCleanup
