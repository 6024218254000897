#include "tool/ArchiveCommands.h"

// Extraction: members are written on two threads, renamed and reported on this one.

#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <thread>

#include "foundation/ConfinedDirectory.h"
#include "foundation/JobLane.h"
#include "foundation/QTx.h"
#include "tool/Session.h"

namespace {

// One member on its way out: its file is filled on either thread, and renamed
// into place, or reported, on this one, in the order of the table.
struct Outgoing {
    const ArchiveChunk2* member = nullptr;
    std::string refusal; // a member not extracted, with the message that says so
    PendingFile pending;
    int fd = -1;
    std::size_t job = 0;
    std::size_t directoriesMade = 0; // by the time its file was created
    // Set by the job:
    bool filled = false;
    CopyResult copied = CopyResult::Ok;
    std::string readFailure;
    int writeErrno = 0;
};

// Passes bytes on and adds their number to a count other threads read.
class CountingSink : public ByteSink {
public:
    CountingSink(ByteSink& next, std::atomic<std::uint64_t>& count, std::function<void()> counted)
        : next_(next), count_(count), counted_(std::move(counted))
    {
    }
    bool put(const unsigned char* data, std::size_t size) override
    {
        if (!next_.put(data, size))
            return false;
        add(size);
        return true;
    }
    // Counts bytes that reached the file some other way.
    void add(std::size_t size)
    {
        count_ += size;
        counted_();
    }

private:
    ByteSink& next_;
    std::atomic<std::uint64_t>& count_;
    std::function<void()> counted_;
};

// Members are filled ahead of the one renamed next by at most this many.
constexpr std::size_t kAhead = 32;

// Whether `name` could meet, on its way down, the place of a member still
// pending: a member renamed over a directory or link would change that way.
// Names with "." or ".." parts, or an empty part, are held back just the same.
bool dependsOnPending(const std::string& name, const std::deque<std::unique_ptr<Outgoing>>& window)
{
    if (name.starts_with('.') || name.starts_with('/') || name.find("/.") != std::string::npos ||
        name.find("//") != std::string::npos)
        return true;
    for (const auto& out : window)
        if (out->refusal.empty() && name.starts_with(out->member->name + "/"))
            return true;
    return false;
}

} // namespace

int extractArchive(Session& session)
{
    const Archive2& srcArchive = session.srcArchive;
    const std::string& package = srcArchive.fileName();
    ConfinedDirectory tmp("tmp");
    ProgressObserver* progress = session.report.progress();
    std::uint64_t bytes = 0;
    for (const ArchiveChunk2& member : srcArchive.members())
        bytes += member.size;
    ProgressScope shown(progress, srcArchive.members().size(), bytes);

    // The jobs count what they copy; only this thread tells the progress line.
    std::atomic<std::uint64_t> copied{0};
    std::uint64_t shownBytes = 0;
    const std::thread::id drawer = std::this_thread::get_id();
    auto showCopied = [&] {
        if (progress == nullptr)
            return;
        const std::uint64_t now = copied.load();
        progress->advance(now - shownBytes);
        shownBytes = now;
    };

    std::deque<std::unique_ptr<Outgoing>> window;
    // Declared after the window, so that every job has ended before the window goes.
    JobLane lane;
    enum class Next { Go, Stop, Fatal };
    std::size_t directoriesKept = 0; // made for the members settled so far, or for the one that failed
    // Finishes the oldest member: the same messages, in the same order, as one
    // member after another would give.
    auto settle = [&]() {
        std::unique_ptr<Outgoing> out = std::move(window.front());
        window.pop_front();
        directoriesKept = out->directoriesMade;
        if (!out->refusal.empty()) {
            session.report.error(out->refusal);
            return Next::Go;
        }
        lane.wait(out->job, showCopied);
        showCopied();
        const std::string target = "tmp/" + out->member->name;
        if (out->filled) {
            // A place that cannot take the member is a file that cannot be created.
            if (!out->pending.commit()) {
                session.report.error("can't open " + target + " for writing");
                return Next::Stop;
            }
            if (progress != nullptr)
                progress->memberDone();
            return Next::Go;
        }
        out->pending.discard();
        if (out->copied == CopyResult::ReadError)
            session.report.fatal("read error on " + package + ": " + out->readFailure);
        else
            session.report.fatal("write error on " + target + ": " + std::strerror(out->writeErrno));
        return Next::Fatal;
    };
    auto settleAll = [&]() {
        while (!window.empty())
            if (Next next = settle(); next != Next::Go)
                return next;
        return Next::Go;
    };

    Next next = Next::Go;
    for (const ArchiveChunk2& member : srcArchive.members()) {
        if (window.size() == kAhead || (!window.empty() && dependsOnPending(member.name, window)))
            if ((next = window.size() == kAhead ? settle() : settleAll()) != Next::Go)
                break;
        auto out = std::make_unique<Outgoing>();
        out->member = &member;
        // Written beside its place and renamed into it: an interrupt leaves the old file or the whole member.
        ConfinedDirectory::Result created = tmp.createFile(member.name, out->fd, out->pending);
        out->directoriesMade = tmp.directoriesMade();
        if (created == ConfinedDirectory::Result::Outside) {
            out->refusal = "refusing to extract " + member.name + ": it leads outside tmp/";
            window.push_back(std::move(out));
            continue;
        }
        if (created == ConfinedDirectory::Result::Failed) {
            if ((next = settleAll()) == Next::Go) {
                session.report.error("can't open tmp/" + member.name + " for writing");
                directoriesKept = out->directoriesMade;
                next = Next::Stop;
            }
            break;
        }
        Outgoing& job = *out;
        out->job = lane.submit([&] {
            auto fill = [&](ByteSink& file) {
                CountingSink counted(file, copied, [&] {
                    if (std::this_thread::get_id() == drawer)
                        showCopied();
                });
                // Inside the kernel where it can: one copy of the bytes fewer.
                const int source = fileno(srcArchive.stream());
                const std::uint64_t moved = copyInKernel(source, job.member->offset, job.member->size, job.fd,
                                                         [&](std::size_t size) { counted.add(size); });
                job.copied = copyRange(source, job.member->offset + moved, job.member->size - moved, counted,
                                       job.readFailure);
                return job.copied == CopyResult::Ok;
            };
            try {
                job.filled = QTx::fillFile(job.fd, fill, job.member->readOnly, job.member->time);
                job.writeErrno = errno;
            } catch (const std::bad_alloc&) {
                job.writeErrno = ENOMEM;
            }
        });
        window.push_back(std::move(out));
    }
    if (next == Next::Go)
        next = settleAll();
    if (next != Next::Go) {
        // Members written ahead of the stop go, and so do the directories made
        // for them: what is left is what one member after another leaves.
        for (const auto& out : window)
            if (out->refusal.empty())
                lane.wait(out->job);
        window.clear();
        tmp.removeDirectoriesMadeAfter(directoriesKept);
    }
    return next == Next::Fatal ? 1 : 0;
}
