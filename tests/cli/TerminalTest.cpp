// What a terminal is shown: the progress line of long runs, and names whose
// control bytes are escaped. Through a pipe nothing of this appears.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "cli/CliTest.h"
#include "support/terminal.h"

namespace {

constexpr std::string_view kErase = "\r\033[K";

// The program cannot know how fast the machine is, so the tests make a run last
// by not reading the terminal: messages fill its buffer and the program waits.
void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class Terminal : public Cli {
protected:
    std::unique_ptr<ts::TerminalProcess> startOnTerminal(const std::vector<std::string>& args,
                                                         bool outputToFile = false,
                                                         ts::RunOptions options = {}) const
    {
        std::vector<std::string> argv{kProg};
        argv.insert(argv.end(), args.begin(), args.end());
        options.cwd = options.home = dir.path();
        return std::make_unique<ts::TerminalProcess>(argv, options, outputToFile);
    }

    // Far more refused members than a terminal buffers messages for.
    static std::vector<ts::Member> refusedMembers(const std::string& tag)
    {
        std::vector<ts::Member> members;
        for (int i = 0; i < 3000; ++i)
            members.push_back({"../" + tag + std::to_string(i), ""});
        return members;
    }
};

// Every message starts a line: at the start of the screen, after a line end,
// or right after the progress line was erased.
::testing::AssertionResult messagesStartLines(const std::string& screen)
{
    const std::string prefix = kProg + ": ";
    for (std::size_t at = screen.find(prefix + "error"); at != std::string::npos;
         at = screen.find(prefix + "error", at + 1)) {
        const std::string before = screen.substr(at < 4 ? 0 : at - 4, at < 4 ? at : 4);
        if (at != 0 && before.back() != '\n' && before != kErase)
            return ::testing::AssertionFailure() << "message not on its own line at " << at << ": ["
                                                 << screen.substr(at < 80 ? 0 : at - 80, 160) << "]";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(Terminal, ProgressLineGivesWayToMessagesAndIsErasedAtTheEnd)
{
    std::vector<ts::Member> members = refusedMembers("early");
    members.push_back({"first", std::string(1 << 20, 'a')});
    members.push_back({"../evil", ""});
    for (ts::Member& later : refusedMembers("late"))
        members.push_back(std::move(later));
    members.push_back({"last", std::string(1 << 20, 'b')});
    putPackage("pkg", members);

    auto process = startOnTerminal({"-x", "pkg"});
    pause(700); // the program now waits, half a second into its run
    const std::string evil = kProg + ": error: refusing to extract ../evil: it leads outside tmp/";
    ASSERT_TRUE(process->waitFor(evil));
    pause(300); // and waits again, so that the last member is drawn anew
    const ts::TerminalRun run = process->wait();
    EXPECT_EQ(run.status, 0);

    // Bytes count as they are written, files as they are renamed into place: the
    // copy may run ahead of the files, so the bytes shown are not pinned down.
    const std::string line = kProg + ": 0/6 003 files, ";
    const std::size_t shown = run.screen.find(line);
    ASSERT_NE(shown, std::string::npos) << run.screen.substr(run.screen.size() - 400);
    // The message that interrupts the line erases it first.
    const std::size_t message = run.screen.find(evil);
    EXPECT_LT(shown, message);
    EXPECT_EQ(run.screen.substr(message - kErase.size(), kErase.size()), kErase);
    EXPECT_EQ(run.screen.find('\n', shown), message + evil.size() + 1);
    EXPECT_TRUE(messagesStartLines(run.screen));
    // The last member brought the line back; the end took it away.
    const std::size_t last = run.screen.rfind(kProg + ": 1/6 003 files, ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(run.screen.find('\n', last), std::string::npos);
    EXPECT_TRUE(run.screen.ends_with(kErase));
    EXPECT_EQ(get("tmp/last"), std::string(1 << 20, 'b'));
}

TEST_F(Terminal, WaitingForALockAndUnwrappingAreShownThenErased)
{
    std::string noise(4 << 20, '\0');
    for (std::size_t i = 0, x = 1; i < noise.size(); ++i, x = x * 1103515245 + 12345)
        noise[i] = static_cast<char>(x >> 16);
    putPackage("pkg", {{"./big", noise, false, kTime}});
    put("b", "b");
    put("pkg.lock", std::to_string(getpid()) + "\n");
    const int held = open(at("pkg.lock").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::string waiting = kProg + ": waiting for pkg.lock, held by process " + std::to_string(getpid());

    // Said from the first moment, with the bound, and erased by the message that ends the wait.
    const ts::TerminalRun gaveUp =
        startOnTerminal({"-r", "pkg", "b"}, false, {.env = {"MKPKG_LOCK_WAIT=0.2"}})->wait();
    EXPECT_EQ(gaveUp.status, 1);
    EXPECT_TRUE(gaveUp.screen.starts_with(std::string(kErase) + waiting + " (up to 0.2 s)" + std::string(kErase) +
                                          kProg + ": fatal: gave up after 0.2 s"))
        << gaveUp.screen;

    // Released after half a second: unwrapping the package shows its own line at once.
    auto process = startOnTerminal({"-r", "pkg", "b"});
    ASSERT_TRUE(process->waitFor(waiting + " (up to 60 s)"));
    pause(600);
    std::remove(at("pkg.lock").c_str());
    close(held);
    const ts::TerminalRun run = process->wait();
    EXPECT_EQ(run.status, 0);
    const std::size_t unwrapping = run.screen.find(std::string(kErase) + kProg + ": unwrapping pkg: ");
    EXPECT_NE(unwrapping, std::string::npos) << run.screen;
    EXPECT_EQ(run.screen.find('\n'), std::string::npos) << run.screen;
    EXPECT_TRUE(run.screen.ends_with(kErase)) << run.screen;
    EXPECT_TRUE(packageHolds("pkg", {{"./big", noise, false, kTime}, {"./b", "b", false, kTime}}));
}

TEST_F(Terminal, InterruptedCreateLeavesACleanLineAndTheOldPackage)
{
    put("small", "old");
    ASSERT_TRUE(outcomeIs(run({"-c", "pkg", "small"}), 0, "", ""));
    const std::string old = get("pkg");
    // Names long enough that listing them with -v fills the terminal's buffer.
    for (int i = 0; i < 3000; ++i)
        put("files/" + std::string(60, 'n') + std::to_string(i), "");
    // Sparse: a gigabyte to compress that takes no room on the disk.
    const int big = open(at("big").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(big, 0);
    ASSERT_EQ(ftruncate(big, 1 << 30), 0);
    close(big);
    const std::set<std::string> before = tree();

    auto process = startOnTerminal({"-v", "-c", "pkg", "files", "big"});
    pause(700);
    ASSERT_TRUE(process->waitFor(" files, "));
    process->type('\x03');
    const ts::TerminalRun run = process->wait();
    EXPECT_EQ(run.status, 128 + SIGINT);
    std::string screen = run.screen;
    if (screen.ends_with("^C")) // the terminal's echo may come after the erasure
        screen.resize(screen.size() - 2);
    EXPECT_TRUE(screen.ends_with(kErase)) << screen.substr(screen.size() - 200);
    EXPECT_EQ(get("pkg"), old);
    EXPECT_EQ(tree(), before);
}

TEST_F(Terminal, ControlBytesInNamesAreEscapedOnlyOnATerminal)
{
    const std::string red = "\033[31mred", broken = "two\nlines\t\177";
    // A backslash that would read like an escape, and C1 controls encoded and stray.
    const std::string slash = "back\\033[31mslash", c1 = "c1\xc2\x9b" "2J\x9b";
    putPackage("pkg", {{red, "r", false, kTime},
                       {broken, "", false, kTime},
                       {slash, "", false, kTime},
                       {c1, "", false, kTime},
                       {"../" + red, ""}});
    const std::string stamp = "rw         0  Fri Feb 13 23:31:30 2009  ";
    const std::string listing = "rw         1  Fri Feb 13 23:31:30 2009  " + red + "\n" + stamp + broken + "\n" +
                                stamp + slash + "\n" + stamp + c1 +
                                "\n"
                                "rw         0  Thu Jan  1 00:00:00 1970  ../" +
                                red + "\n5 Files, 1 Bytes\n";

    // Through pipes and into files, byte for byte.
    EXPECT_TRUE(outcomeIs(run({"-t", "pkg"}), 0, listing, ""));
    auto redirected = startOnTerminal({"-t", "pkg"}, true);
    EXPECT_EQ(redirected->wait().file, listing);
    const std::string refusal = "refusing to extract ../" + red + ": it leads outside tmp/";
    EXPECT_TRUE(outcomeIs(run({"-x", "pkg"}), 0, "", diag("error", refusal)));

    // On a terminal (which shows each line end as "\r\n"), escaped.
    const ts::TerminalRun listed = startOnTerminal({"-t", "pkg"})->wait();
    EXPECT_NE(listed.screen.find("  \\033[31mred\r\n"), std::string::npos) << listed.screen;
    EXPECT_NE(listed.screen.find("  two\\nlines\\t\\177\r\n"), std::string::npos) << listed.screen;
    EXPECT_NE(listed.screen.find("  back\\\\033[31mslash\r\n"), std::string::npos) << listed.screen;
    EXPECT_NE(listed.screen.find("  c1\\302\\2332J\\233\r\n"), std::string::npos) << listed.screen;
    EXPECT_EQ(listed.screen.find('\033'), std::string::npos);
    EXPECT_EQ(listed.screen.find('\x9b'), std::string::npos);
    const ts::TerminalRun extracted = startOnTerminal({"-x", "pkg"})->wait();
    EXPECT_NE(extracted.screen.find(kProg + ": error: refusing to extract ../\\033[31mred: it leads outside tmp/\r\n"),
              std::string::npos)
        << extracted.screen;
    EXPECT_EQ(extracted.screen.find("\033[31m"), std::string::npos);
    EXPECT_EQ(get("tmp/" + red), "r");
}

TEST_F(Terminal, MessagesBuiltFromFileContentsAreEscapedOnlyOnATerminal)
{
    // A project whose name retitles the window and clears the screen, and a
    // templates file whose include names an escape sequence.
    const std::string title = "P\033]0;owned\007\033[2J";
    put("s.hzp", "<!DOCTYPE Ambrel_Project_File>\n<solution Name=\"s\" version=\"2\"><project Name=\"" + title +
                     "\" template_name=\"\"/></solution>\n");
    put("t.hzp", "<!DOCTYPE Ambrel_Project_File>\n<solution Name=\"s\" version=\"2\"><project Name=\"p\" "
                 "template_name=\"Mine\"/></solution>\n");
    EXPECT_TRUE(outcomeIs(run({"-hzr", "s.hzp"}), 1, "", title));
    put(".vennic_associates_limited/lathmark_for_msp430/packages/targets/project_templates.xml",
        "<!DOCTYPE Project_Templates_File>\n<projects><include filename=\"x\033[2J.xml\"/></projects>\n");
    const ts::RunResult piped = run({"-hzr", "t.hzp"});
    EXPECT_NE(piped.err.find("x\033[2J.xml"), std::string::npos) << piped.err;

    const ts::TerminalRun loaded = startOnTerminal({"-hzr", "s.hzp"})->wait();
    EXPECT_EQ(loaded.status, 1);
    EXPECT_TRUE(loaded.screen.ends_with("\nP\\033]0;owned\\007\\033[2J\r\n" + kProg +
                                        ": fatal: can't load the solution: no template for project "
                                        "P\\033]0;owned\\007\\033[2J\r\n"))
        << loaded.screen;
    const ts::TerminalRun warned = startOnTerminal({"-hzr", "t.hzp"})->wait();
    EXPECT_NE(warned.screen.find("x\\033[2J.xml"), std::string::npos) << warned.screen;
    for (const std::string& screen : {loaded.screen, warned.screen})
        EXPECT_EQ(screen.find('\033'), std::string::npos) << screen;
}

} // namespace
