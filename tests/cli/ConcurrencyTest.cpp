// Several commands on one package at once, locks left behind, and signals in
// the middle of a command: the package is always what one serial order of the
// commands gives, and nothing of the tool's own stays behind.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <thread>

#include "cli/CliTest.h"

namespace {

// Incompressible, so that packing it keeps a writer busy for a while.
std::string noise(size_t size)
{
    std::string bytes;
    bytes.reserve(size);
    for (uint64_t x = 88172645463325252ull; bytes.size() < size;) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        bytes.append(reinterpret_cast<const char*>(&x), 8);
    }
    return bytes;
}

// Polls until `ready` holds; false after a minute.
bool waitUntil(const std::function<bool()>& ready)
{
    for (int i = 0; i < 60000; ++i) {
        if (ready())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class Concurrency : public Cli {
protected:
    const ts::Member oldA{"./a.txt", "old a", false, kOld}, oldB{"./b.txt", "old b", false, kOld};
    const std::string big = noise(24 << 20);

    // Any hidden file the tool made beside the package.
    bool hiddenFileLeft() const
    {
        for (const std::string& entry : tree())
            if (entry.find("/.") != std::string::npos || entry[0] == '.')
                return true;
        return false;
    }
};

TEST_F(Concurrency, ReadersAndWritersSeeWholePackagesInOneSerialOrder)
{
    putPackage("pkg", {oldA, oldB});
    put("big.bin", big);
    put("c.txt", "cee");
    const std::string oldListing = run({"-t", "pkg"}).out;

    auto first = start({"-r", "pkg", "big.bin"});
    ASSERT_TRUE(waitUntil([&] { return has("pkg.lock"); }));
    auto second = start({"-r", "pkg", "c.txt"}); // waits for the first
    const ts::RunResult listed = run({"-t", "pkg"});
    const ts::RunResult extracted = run({"-x", "pkg"});
    EXPECT_TRUE(outcomeIs(first->wait(), 0, "", ""));
    EXPECT_TRUE(outcomeIs(second->wait(), 0, "", ""));

    const ts::Member newBig{"./big.bin", big, false, kTime}, newC{"./c.txt", "cee", false, kTime};
    EXPECT_TRUE(packageHolds("pkg", {oldA, oldB, newBig, newC}));
    // The readers ran while the first writer held the package: they saw it as it
    // was, or (had the writer finished by then) as the first writer left it.
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.err, "");
    if (listed.out != oldListing) {
        const std::string afterFirst = "rw         5  Sun Sep  9 01:46:40 2001  ./a.txt\n"
                                       "rw         5  Sun Sep  9 01:46:40 2001  ./b.txt\n"
                                       "rw  25165824  Fri Feb 13 23:31:30 2009  ./big.bin\n"
                                       "3 Files, 25165834 Bytes\n";
        EXPECT_EQ(listed.out, afterFirst);
    }
    EXPECT_TRUE(outcomeIs(extracted, 0, "", ""));
    EXPECT_EQ(get("tmp/a.txt"), "old a");
    EXPECT_EQ(get("tmp/b.txt"), "old b");
    if (has("tmp/big.bin")) {
        EXPECT_EQ(get("tmp/big.bin"), big);
    }
    EXPECT_FALSE(has("pkg.lock"));
    EXPECT_FALSE(has("pkg.decompressed"));
    EXPECT_FALSE(hiddenFileLeft());
}

TEST_F(Concurrency, ListingNeedsNoWriteAccessBesideThePackage)
{
    if (!canRunUnprivileged())
        GTEST_SKIP() << "cannot run as an unprivileged user";
    putPackage("ro/pkg", {oldA, oldB});
    chmod(at("ro").c_str(), 0555);
    ts::RunResult listed = run({"-t", "ro/pkg"}, unprivileged());
    chmod(at("ro").c_str(), 0755);
    EXPECT_TRUE(outcomeIs(listed, 0,
                          "rw         5  Sun Sep  9 01:46:40 2001  ./a.txt\n"
                          "rw         5  Sun Sep  9 01:46:40 2001  ./b.txt\n"
                          "2 Files, 10 Bytes\n",
                          ""));
    EXPECT_EQ(ts::listTree(at("ro")), (std::set<std::string>{"pkg"}));
}

TEST_F(Concurrency, AHeldLockIsWaitedForAndADeadOnesIsTakenOver)
{
    putPackage("pkg", {oldA});
    put("b.txt", "new b");
    const std::string before = get("pkg");

    // Held: this test owns it, as a running writer would.
    put("pkg.lock", std::to_string(getpid()) + "\n");
    const int held = open(at("pkg.lock").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ts::RunOptions impatient;
    impatient.env = {"MKPKG_LOCK_WAIT=0.2"};
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "b.txt"}, impatient), 1, "",
                          diag("fatal", "gave up after 0.2 s waiting for pkg.lock, held by process " +
                                            std::to_string(getpid()))));
    EXPECT_EQ(get("pkg"), before);
    EXPECT_TRUE(has("pkg.lock"));

    // Released while a writer waits: the writer goes on.
    auto waiting = start({"-r", "pkg", "b.txt"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::remove(at("pkg.lock").c_str());
    close(held);
    EXPECT_TRUE(outcomeIs(waiting->wait(), 0, "", ""));
    EXPECT_TRUE(packageHolds("pkg", {oldA, {"./b.txt", "new b", false, kTime}}));

    // Left by a writer that died: nobody holds it, so it is taken over.
    put("pkg.lock", "99999999\n");
    EXPECT_TRUE(outcomeIs(run({"-d", "pkg", "b.txt"}, impatient), 0, "", ""));
    EXPECT_TRUE(packageHolds("pkg", {oldA}));
    EXPECT_FALSE(has("pkg.lock"));

    // A wait that is no number of seconds is said, through a pipe too, and the default holds.
    for (const std::string value : {"abc", "-1", "5s", ""}) {
        EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "b.txt"}, {.env = {"MKPKG_LOCK_WAIT=" + value}}), 0, "",
                              diag("warning", "MKPKG_LOCK_WAIT=" + value +
                                                  " is not a number of seconds; waiting up to 60 s")));
    }
}

TEST_F(Concurrency, SignalsLeaveNoTemporaryAndNoLock)
{
    put("big.bin", big);
    putPackage("pkg", {oldA});
    const std::string before = get("pkg");
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(strsignal(signal));
        auto writer = start({"-r", "pkg", "big.bin"});
        ASSERT_TRUE(waitUntil([&] { return hiddenFileLeft(); })); // the new package is being written
        kill(writer->pid(), signal);
        EXPECT_EQ(writer->wait().status, 128 + signal);
        EXPECT_EQ(get("pkg"), before);
        EXPECT_EQ(tree(), (std::set<std::string>{"big.bin", "pkg"}));
    }

    // Extraction's unwrapped copy has no name, so it cannot be left behind; a
    // member is written beside its place, which keeps the old file until the
    // member is whole. Tried again if the member was done before the signal.
    EXPECT_TRUE(outcomeIs(run({"-r", "pkg", "big.bin"}), 0, "", ""));
    bool interrupted = false;
    for (int attempt = 0; attempt < 20 && !interrupted; ++attempt) {
        put("tmp/big.bin", "old big", 0444);
        auto reader = start({"-x", "pkg"});
        ASSERT_TRUE(waitUntil([&] { return hiddenFileLeft() || get("tmp/big.bin").size() != 7; }));
        interrupted = hiddenFileLeft();
        kill(reader->pid(), SIGINT);
        reader->wait();
        const std::string extracted = get("tmp/big.bin");
        EXPECT_TRUE(extracted == "old big" || extracted == big) << extracted.size() << " bytes";
        EXPECT_FALSE(has("pkg.decompressed"));
        EXPECT_FALSE(hiddenFileLeft());
    }
    EXPECT_TRUE(interrupted);
}

} // namespace
