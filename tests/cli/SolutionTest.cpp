// Solution mode end to end: what the package holds, where it is written, and
// the write failures that must leave everything as it was.
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/SolutionCli.h"

namespace {

#if defined(__has_feature)
constexpr bool kUnderAddressSanitizer = __has_feature(address_sanitizer);
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

TEST_F(SolutionCli, PackagesTheSolutionThenEachNamedFileOnceInTreeOrder)
{
    put("w/src/main.c", "int main(void) { return 0; }\n");
    put("w/src/ro.c", "read only", 0464, kOld);
    put("w/inc/a.h", "");
    put("w/cfg.c", "named only inside a configuration");
    put("outside/x.c", "beside the solution's directory");
    put("inst/src/crt0.asm", "a file of the installation");
    put("w/s_package.xml", "<package name=\"s\"/>\n", 0444, kOld);
    putSolution("w/s.hzp", R"(
  <project Name="app">
    <configuration Name="Common"><file file_name="cfg.c"/></configuration>
    <folder Name="Source Files">
      <file file_name="src/main.c"/>
      <folder Name="Inner"><file file_name="src/ro.c"/></folder>
    </folder>
    <file file_name="missing.c"/>
    <file file_name="$(StudioDir)/src/crt0.asm"/>
    <file file_name="inc/a.h"/>
    <file file_name="../outside/x.c"/>
    <file file_name="s_package.xml"/>
  </project>
  <project Name="lib">
    <file file_name="./inc/../inc/a.h"/>
    <file file_name="src/main.c"/>
  </project>)");
    const std::set<std::string> before = workTree();
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", ""));
    const ts::Member description{"s_package.xml", "<package name=\"s\"/>\n", true, kOld};
    // The members, the files that were newer than the old one dated `time`.
    auto members = [&](int32_t time) {
        return std::vector<ts::Member>{{"s.hzp", get("w/s.hzp"), false, time},
                                       {"src/main.c", "int main(void) { return 0; }\n", false, time},
                                       {"src/ro.c", "read only", true, kOld},
                                       {"inc/a.h", "", false, time},
                                       {"../outside/x.c", "beside the solution's directory", false, time},
                                       description,
                                       description};
    };
    EXPECT_TRUE(packageHolds("w/s.hzr", members(kTime)));
    std::set<std::string> after = before;
    after.insert("s.hzr");
    EXPECT_EQ(workTree(), after); // nothing else written, no temporary left

    // With -v each file is named as it is added or left out, with the reason.
    const ts::RunResult verbose = hzr({"-v", "-hzr", "s.hzp", "v.hzr"});
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.out.substr(verbose.out.find("adding ")),
              "adding s.hzp\nadding src/main.c\nadding src/ro.c\n"
              "leaving out missing.c: can't open " +
                  at("w/missing.c") +
                  " for reading\n"
                  "leaving out $(StudioDir)/src/crt0.asm: it names a macro\n"
                  "adding inc/a.h\nadding ../outside/x.c\nadding s_package.xml\n"
                  "leaving out ./inc/../inc/a.h: inc/a.h is packaged already\n"
                  "leaving out src/main.c: src/main.c is packaged already\nadding s_package.xml\n");
    EXPECT_EQ(get("w/v.hzr"), get("w/s.hzr"));

    // Reproducible: later times become SOURCE_DATE_EPOCH, earlier ones stay.
    const int64_t epoch = (int64_t{kOld} + kTime) / 2;
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp", "r.hzr"}, "w", {.env = {"SOURCE_DATE_EPOCH=" + std::to_string(epoch)}}),
                          0, "", ""));
    const auto capped = static_cast<int32_t>(epoch);
    EXPECT_TRUE(packageHolds("w/r.hzr", members(capped)));
}

// Thousands of names are looked up in batches beside the walk: every batch must be
// added, in tree order, with repeats recognised across batches.
TEST_F(SolutionCli, LongFileListsKeepTreeOrder)
{
    std::string body = "  <project Name=\"big\">\n";
    std::string log = "adding s.hzp\n";
    std::vector<ts::Member> members{{"s.hzp", "", false, kTime}};
    std::set<std::string> packaged;
    for (int i = 0; i < 9000; ++i) {
        // Names repeat after 4000 elements; every ninth is missing.
        // Appended, not built with "f" + ...: g++ 12 -O3 warns falsely about that form.
        std::string name = "f";
        name += std::to_string(i % 4000) + ".c";
        body += "    <file file_name=\"" + name + "\"/>\n";
        if (i % 4000 % 9 == 4) {
            log += "leaving out " + name + ": can't open " + at("w/" + name) + " for reading\n";
        } else if (!packaged.insert(name).second) {
            log += "leaving out " + name + ": " + name + " is packaged already\n";
        } else {
            put("w/" + name, name);
            log += "adding " + name + "\n";
            members.push_back({name, name, false, kTime});
        }
    }
    putSolution("w/s.hzp", body + "  </project>");
    members.front().data = get("w/s.hzp");
    const ts::RunResult verbose = hzr({"-v", "-hzr", "s.hzp"});
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.out.substr(verbose.out.find("adding ")), log);
    EXPECT_TRUE(packageHolds("w/s.hzr", members));

    // Where no thread can start, the walk looks the files up itself: the same package.
    const std::string withThreads = get("w/s.hzr");
    ts::RunOptions noThreads;
    noThreads.env = {std::string("LD_PRELOAD=") + NO_THREADS_LIBRARY};
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", noThreads), 0, "", ""));
    EXPECT_TRUE(get("w/s.hzr") == withThreads);
}

TEST_F(SolutionCli, OutputIsNamedAfterTheSolutionUnlessGiven)
{
    put("w/work/a.c", "a");
    put("w/work/my_package.xml", "<package/>");
    putSolution("w/work/my.app.hzp", R"(<project Name="p"><file file_name="a.c"/></project>)");
    const std::string solution = get("w/work/my.app.hzp");
    const std::vector<ts::Member> members{{"my.app.hzp", solution, false, kTime},
                                          {"a.c", "a", false, kTime},
                                          {"my_package.xml", "<package/>", false, kTime}};
    const std::set<std::string> inputs = workTree();
    auto withOutput = [&](const std::string& name) {
        std::set<std::string> files = inputs;
        files.insert(name);
        return files;
    };

    // Named after the solution up to its first dot, in the current directory.
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "work/my.app.hzp"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("w/my.hzr", members));
    EXPECT_EQ(workTree(), withOutput("my.hzr"));
    std::remove(at("w/my.hzr").c_str());

    // Of several names after the solution, the last is the output.
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "work/my.app.hzp", "b.hzr", "c.hzr"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("w/c.hzr", members));
    EXPECT_EQ(workTree(), withOutput("c.hzr"));
    std::remove(at("w/c.hzr").c_str());

    // Named before -hzr, the solution is the output too: the package replaces it,
    // holding the solution as it was.
    EXPECT_TRUE(outcomeIs(hzr({"work/my.app.hzp", "-hzr"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("w/work/my.app.hzp", members));
    EXPECT_EQ(workTree(), inputs);
}

TEST_F(SolutionCli, WriteFailuresAreFatalAndLeaveNothingBehind)
{
    put("w/a.c", "a");
    putSolution("w/s.hzp", R"(<project Name="p"><file file_name="a.c"/></project>)");
    const std::set<std::string> inputs = workTree();
    const std::string fatal = program + ": fatal: ";

    // One fatal line naming the output and the reason; its exact wording is the system's.
    auto fatalAbout = [&](const ts::RunResult& r, std::string_view output, std::string_view reason) {
        return r.status == 1 && r.out.empty() && r.err.starts_with(fatal) && r.err.ends_with("\n") &&
               r.err.find(output) != std::string::npos && r.err.find(reason) != std::string::npos;
    };
    ts::RunResult r = hzr({"-hzr", "s.hzp", "nodir/out.hzr"});
    EXPECT_TRUE(fatalAbout(r, "nodir/out.hzr", "No such file or directory")) << r.err;
    EXPECT_EQ(workTree(), inputs);

    // The user's package directory blocked by a file: the templates stub cannot be made.
    const std::string blockedHome = at("blocked");
    put("blocked/.vennic_associates_limited/lathmark_for_msp430/packages", "in the way");
    ts::RunOptions options;
    options.home = blockedHome;
    options.cwd = at("w");
    r = ts::runProcess({program, "-hzr", "s.hzp"}, options);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, fatal + "cannot create " + blockedHome +
                         "/.vennic_associates_limited/lathmark_for_msp430/packages/targets/project_templates.xml\n");
    EXPECT_EQ(workTree(), inputs);

    // An output directory the user may not write to keeps the old package and gets no
    // temporary. The runs above made the user's stubs, so only the output is refused.
    if (!canRunUnprivileged())
        GTEST_SKIP() << "cannot run as an unprivileged user";
    put("w/out/s.hzr", "the old package");
    ASSERT_EQ(chmod(at("w/out").c_str(), 0555), 0);
    r = hzr({"-hzr", "s.hzp", "out/s.hzr"}, "w", unprivileged());
    EXPECT_TRUE(fatalAbout(r, "out/s.hzr", "Permission denied")) << r.err;
    EXPECT_EQ(get("w/out/s.hzr"), "the old package");
    EXPECT_EQ(ts::listTree(at("w/out")), std::set<std::string>{"s.hzr"});
}

TEST_F(SolutionCli, PackagesAreTheSameFromEveryDirectory)
{
    put("w/a.c", "beside the solution");
    put("o/a.c", "beside the current directory");
    put("w/sub/b.c", "b");
    put("w/proj_package.xml", "<package/>");
    std::filesystem::create_directories(at("out"));
    // A nested solution without a file of its own, and an imported file whose root is a project
    // (not itself a member, as a project is not a file): both take their names from the
    // solution file's directory.
    putSolution("w/proj.hzp", R"(<solution Name="inner"><project Name="p"><file file_name="a.c"/></project></solution>
  <import file_name="sub/p.hzp"/>)");
    put("w/sub/p.hzp",
        "<!DOCTYPE Ambrel_Project_File>\n<project Name=\"q\" version=\"2\"><file file_name=\"sub/b.c\"/></project>\n");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "proj.hzp", "../out/w.hzr"}), 0, "", ""));
    EXPECT_TRUE(packageHolds("out/w.hzr", {{"proj.hzp", get("w/proj.hzp"), false, kTime},
                                           {"a.c", "beside the solution", false, kTime},
                                           {"sub/b.c", "b", false, kTime},
                                           {"proj_package.xml", "<package/>", false, kTime}}));
    // Reached through ".." and "." the member names stay the same.
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "../w/proj.hzp", "../out/o.hzr"}, "o"), 0, "", ""));
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "w/./proj.hzp", "out/dot.hzr"}, "."), 0, "", ""));
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "../o/../w/proj.hzp", "../out/up.hzr"}, "o"), 0, "", ""));
    for (const char* other : {"out/o.hzr", "out/dot.hzr", "out/up.hzr"})
        EXPECT_EQ(get(other), get("out/w.hzr")) << other;
}

TEST_F(SolutionCli, WritersOfOnePackageTakeTurns)
{
    put("w/a.c", "a");
    putSolution("w/s.hzp", R"(<project Name="p"><file file_name="a.c"/></project>)");
    put("w/s.hzr", "the old package");
    // Held, as an archive command writing the same package would hold it.
    put("w/s.hzr.lock", std::to_string(getpid()) + "\n");
    const int held = open(at("w/s.hzr.lock").c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ts::RunOptions impatient;
    impatient.env = {"MKPKG_LOCK_WAIT=0.2"};
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", impatient), 1, "",
                          program + ": fatal: gave up after 0.2 s waiting for s.hzr.lock, held by process " +
                              std::to_string(getpid()) + "\n"));
    EXPECT_EQ(get("w/s.hzr"), "the old package");
    std::remove(at("w/s.hzr.lock").c_str());
    close(held);
    // Free again: the package is written and the lock goes with the writer.
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", impatient), 0, "", ""));
    EXPECT_TRUE(packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime}, {"a.c", "a", false, kTime}}));
    EXPECT_FALSE(has("w/s.hzr.lock"));
}

TEST_F(SolutionCli, EnormousNamesAndExhaustedMemory)
{
    put("w/a.c", "a");
    // One name of 25 million components can never be a member: it is left out, in bounded memory.
    std::string name;
    name.reserve(50 << 20);
    for (int i = 0; i < 25'000'000; ++i)
        name += "d/";
    name += "a.c";
    putSolution("w/s.hzp", "<project Name=\"p\"><file file_name=\"a.c\"/><file file_name=\"" + name + "\"/></project>");
    ts::RunOptions limited;
    // The sanitizer reserves more address space than any limit here allows.
    limited.memoryLimit = kUnderAddressSanitizer ? -1 : 1L << 30;
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", limited), 0, "", ""));
    EXPECT_TRUE(packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime}, {"a.c", "a", false, kTime}}));
    if (kUnderAddressSanitizer)
        return;

    // Too little memory to load it at all: a fatal error, and nothing written.
    std::remove(at("w/s.hzr").c_str());
    const std::set<std::string> before = workTree();
    limited.memoryLimit = 64L << 20;
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", limited), 1, "", program + ": fatal: out of memory\n"));
    EXPECT_EQ(workTree(), before);
}

} // namespace
