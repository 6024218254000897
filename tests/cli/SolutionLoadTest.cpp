// Solution mode end to end: what the loader brings into the package (imports,
// templates, dynamic folders) and the load failures that stop it.
#include <filesystem>

#include "cli/SolutionCli.h"

namespace {

using namespace std::string_literals;

const std::string kDocType = "<!DOCTYPE Ambrel_Project_File>\n";

TEST_F(SolutionCli, ImportsAreFoundBesideTheImportingFile)
{
    // A global macro of the user's settings names the imported file's directory.
    ts::writeFile(userDir + "/settings.xml",
                  "<!DOCTYPE Lathmark_Settings_File>\n<settings>\n"
                  "  <setting name=\"Environment/Macros/Global Macros\">Parts=parts</setting>\n</settings>\n");
    putSolution("w/s.hzp", R"(<import file_name="$(Parts)/p.hzp"/>
  <project Name="main"><file file_name="m.c"/></project>)");
    // An older file without a version is converted, and still loads.
    put("w/parts/p.hzp", kDocType + R"(<solution Name="p">
  <project Name="pp"><file file_name="src/p.c"/></project>
  <import file_name="q.hzp"/>
</solution>)");
    put("w/parts/q.hzp", kDocType + R"(<solution Name="q" version="2">
  <project Name="main"><file file_name="q.c"/><file file_name="../m.c"/></project>
</solution>)");
    put("w/parts/src/p.c", "p");
    put("w/parts/q.c", "q");
    put("w/m.c", "m");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", ""));
    // An imported file named through a macro is the installation's business, not packaged;
    // one named plainly is, under its path from the solution.
    EXPECT_TRUE(packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime},
                                         {"parts/src/p.c", "p", false, kTime},
                                         {"parts/q.hzp", get("w/parts/q.hzp"), false, kTime},
                                         {"parts/q.c", "q", false, kTime},
                                         {"m.c", "m", false, kTime}}));
}

TEST_F(SolutionCli, TemplatesCompleteProjectsFromTheInstallationAndTheUser)
{
    // The shipped templates, reached through the stub written on first use.
    put("w/src/main.c", "main");
    put("inst/src/crt0.asm", "named by the template through $(StudioDir)");
    putSolution("w/s.hzp", R"(<project Name="app" template_name="MSP430_Executable">
    <folder Name="Source Files"><file file_name="src/main.c"/></folder>
  </project>)");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", "")); // the templates read without warnings
    EXPECT_TRUE(
        packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime}, {"src/main.c", "main", false, kTime}}));
    const std::string stub = userDir + "/packages/targets/project_templates.xml";
    EXPECT_TRUE(ts::exists(stub));
    EXPECT_TRUE(ts::exists(userDir + "/packages/targets/frequencies.xml"));

    // The user's own templates file, kept as it is, adds a template beside the shipped ones.
    const std::string own = R"(<!DOCTYPE Project_Templates_File>
<projects>
  <include filename="$(StudioDir)/targets/project_templates.xml" no_root="1" />
  <project template_name="Mine" type="Library">
    <property name="project_directory" value="lib"/>
    <folder name="Generated" filter="c">
      <file name="$(ProjectName).c"/>
      <file name="$(ProjectName)_raw.c" expand="no"/>
      <file name="copied.c" source="elsewhere.c"/>
    </folder>
  </project>
</projects>
)";
    ts::writeFile(stub, own);
    for (const char* file : {"lib/main.c", "lib/a.c", "lib/copied.c", "own/main.c", "own/b.c", "lib/b.c"})
        put(std::string("w/") + file, file);
    putSolution("w/s.hzp", R"(<project Name="a" template_name="Mine"><file file_name="main.c"/></project>
  <project Name="b" template_name="Mine">
    <configuration Name="Common" project_directory="own"/>
    <file file_name="main.c"/>
  </project>
  <project Name="c" template_name="MSP430_Library"/>)");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", ""));
    // The template's directory holds unless the project sets its own; generated names are expanded.
    EXPECT_TRUE(packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime},
                                         {"lib/main.c", "lib/main.c", false, kTime},
                                         {"lib/a.c", "lib/a.c", false, kTime},
                                         {"own/main.c", "own/main.c", false, kTime},
                                         {"own/b.c", "own/b.c", false, kTime}}));
    EXPECT_EQ(ts::readFile(stub), own);

    // The preprocessor's warnings come through byte for byte; a strict run fails on them.
    std::string warned = own;
    warned.insert(warned.find("<project "), "<define/>");
    ts::writeFile(stub, warned);
    const std::string warning = "XmlPP::processConditionals(): missing name and/or value in <define>\n";
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", warning));
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}, "w", {.env = {"MKPKG_STRICT=1"}}), 1, "", warning));
}

TEST_F(SolutionCli, DynamicFoldersListTheirDirectory)
{
    for (const char* file : {"src/b.c", "src/A.h", "src/a.c", "src/notes.txt", "src/sub/d.c", "doc/readme"})
        put(std::string("w/") + file, file);
    putSolution("w/s.hzp", R"(<project Name="p">
    <file file_name="src/b.c"/>
    <folder Name="Sources" path="src" filter="*.c;*.h"/>
    <folder Name="Everything" path="doc"/>
    <folder Name="Nowhere" path="gone" filter="*"/>
  </project>)");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", ""));
    // Files only, matching the filter, by name ignoring case; a file listed already stays where it was.
    EXPECT_TRUE(packageHolds("w/s.hzr", {{"s.hzp", get("w/s.hzp"), false, kTime},
                                         {"src/b.c", "src/b.c", false, kTime},
                                         {"src/a.c", "src/a.c", false, kTime},
                                         {"src/A.h", "src/A.h", false, kTime},
                                         {"doc/readme", "doc/readme", false, kTime}}));
}

TEST_F(SolutionCli, LoadFailuresPrintOnlyTheMessageAndWriteNothing)
{
    auto solution = [](const std::string& body) {
        return kDocType + "<solution Name=\"s\" version=\"2\">" + body + "</solution>\n";
    };
    std::filesystem::create_directories(at("w/dir.hzp"));
    const struct {
        std::string file, text, err;
    } cases[] = {
        {"missing.hzp", "", " does not exist"},
        {"s.hzp", solution(R"(<import file_name="gone.hzp"/>)"), " does not exist"},
        {"dir.hzp", "", " cannot access"},
        {"s.hzp", solution(R"(<import file_name="s.hzp"/>)"), " solution already loaded"},
        {"s.hzp", solution(R"(<import file_name="sub/back.hzp"/>)"), " solution already loaded"},
        {"s.hzp", kDocType + "<solution Name=\"s\">\n<project Name=\"p\">\n</solution>\n", "tagName mismatch"},
        {"s.hzp", "<solution Name=\"s\" version=\"2\"/>\n", " not a solution file"},
        {"s.hzp", "<!DOCTYPE Project_Templates_File>\n<solution Name=\"s\"/>\n", " not a solution file"},
        {"s.hzp", kDocType, " not a solution file"},
        {"s.hzp", "", " not a solution file"},
        {"s.hzp",
         "\x7f"
         "ELF\x02\x01\x01\0\0\0\xff\xfe"s,
         " not a solution file"},
        {"s.hzp", solution(R"(<project Name="P1" template_name=""/>)"), "P1"},
        {"s.hzp", solution(R"(<project Name="P1" template_name="No Such Template"/>)"), " project template not found"},
        {"s.hzp", solution(R"(<import file_name="sub/bad.hzp"/>)"), " not a solution file"},
    };
    put("w/sub/back.hzp", kDocType + R"(<solution Name="b"><import file_name="../s.hzp"/></solution>)");
    put("w/sub/bad.hzp", "<solution/>");
    put("w/s.hzr", "an old package");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + ": " + c.text);
        if (c.file != "missing.hzp" && c.file != "dir.hzp")
            put("w/" + c.file, c.text);
        const std::set<std::string> before = workTree();
        EXPECT_TRUE(outcomeIs(hzr({"-hzr", c.file, "s.hzr"}), 1, "", c.err));
        EXPECT_EQ(workTree(), before);
        EXPECT_EQ(get("w/s.hzr"), "an old package");
    }
}

TEST_F(SolutionCli, ConvertingAnOlderSolutionDropsTheSharedPlacementFile)
{
    // The file the conversion removes may also have been taken for a dynamic folder or a template project.
    for (const char* role : {"path=\"src\"", "template_name=\"MSP430_Library\"", ""}) {
        SCOPED_TRACE(role);
        put("w/u.hzp", kDocType +
                           "<solution Name=\"u\"><project Name=\"p\"><folder Name=\"System Files\">"
                           "<file file_name=\"$(StudioDir)/targets/section_placement.xml\" " +
                           role + "/><file file_name=\"a.c\"/></folder></project></solution>\n");
        put("w/a.c", "a");
        EXPECT_TRUE(outcomeIs(hzr({"-hzr", "u.hzp"}), 0, "", ""));
        EXPECT_TRUE(packageHolds("w/u.hzr", {{"u.hzp", get("w/u.hzp"), false, kTime}, {"a.c", "a", false, kTime}}));
    }
}

TEST_F(SolutionCli, TemplateFilesKeepTheDirectoryTheProjectHadWhenTheyWereAdded)
{
    // Placing a template's first file settles the project's directory; a later property does not move it.
    ts::writeFile(userDir + "/packages/targets/project_templates.xml", R"(<!DOCTYPE Project_Templates_File>
<projects>
  <project template_name="Late" type="Library">
    <file name="a.c"/>
    <property name="project_directory" value="pdir"/>
    <file name="b.c"/>
  </project>
</projects>
)");
    for (const char* file : {"a.c", "b.c", "pdir/a.c", "pdir/b.c"})
        put(std::string("w/") + file, file);
    putSolution("w/s.hzp", R"(<project Name="p" template_name="Late"/>)");
    EXPECT_TRUE(outcomeIs(hzr({"-hzr", "s.hzp"}), 0, "", ""));
    EXPECT_TRUE(packageHolds(
        "w/s.hzr",
        {{"s.hzp", get("w/s.hzp"), false, kTime}, {"a.c", "a.c", false, kTime}, {"b.c", "b.c", false, kTime}}));
}

} // namespace
