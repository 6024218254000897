#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "environment/PackageSystem.h"
#include "foundation/HException.h"
#include "macros/MacroSystem.h"
#include "support/files.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(PackageSystem, WritesMissingStubsOnceAndDefinesTheDirectories)
{
    TempDir dir;
    MacroSystem macroSystem;
    macroSystem.setSystemMacro("StudioUserDir", dir.path() + "/user");
    PackageSystem::setupPackageMacros(macroSystem, "$(StudioUserDir)/packages");
    const std::string packages = dir.path() + "/user/packages";
    EXPECT_EQ(macroSystem.systemMacro("PackagesDir"), packages);
    EXPECT_EQ(macroSystem.systemMacro("TargetsDir"), packages + "/targets");
    EXPECT_EQ(macroSystem.systemMacro("SamplesDir"), packages + "/samples");
    EXPECT_EQ(testsupport::listTree(packages),
              (std::set<std::string>{"targets/", "targets/frequencies.xml", "targets/project_templates.xml"}));
    const std::string templates = packages + "/targets/project_templates.xml";
    const std::string frequencies = packages + "/targets/frequencies.xml";
    EXPECT_EQ(readFile(templates),
              "<!DOCTYPE Project_Templates_File>\n<projects>\n"
              "  <include filename=\"$(StudioDir)/targets/project_templates.xml\" no_root=\"1\" />\n</projects>\n");
    EXPECT_EQ(readFile(frequencies),
              "<envelope>\n  <include filename=\"$(StudioDir)/targets/frequencies.xml\" />\n</envelope>\n");

    // Later runs keep whatever is there.
    writeFile(templates, "edited", 0644, 1000);
    writeFile(frequencies, "", 0644, 1000);
    PackageSystem::setupPackageMacros(macroSystem, packages);
    EXPECT_EQ(readFile(templates), "edited");
    EXPECT_EQ(testsupport::fileMtime(templates), 1000);
    EXPECT_EQ(testsupport::fileMtime(frequencies), 1000);
}

TEST(PackageSystem, StubThatCannotBeWrittenThrows)
{
    TempDir dir;
    MacroSystem macroSystem;
    const auto messageOf = [&](const std::string& packages) -> std::string {
        try {
            PackageSystem::setupPackageMacros(macroSystem, packages);
        } catch (const HException& e) {
            return e.what();
        }
        return "no exception";
    };
    // A file where the packages directory should be.
    writeFile(dir.path() + "/file", "");
    EXPECT_EQ(messageOf(dir.path() + "/file/packages"),
              "cannot create " + dir.path() + "/file/packages/targets/project_templates.xml");
    EXPECT_EQ(macroSystem.systemMacro("TargetsDir"), dir.path() + "/file/packages/targets");

    // The second stub: a link into a directory that does not exist.
    const std::string targets = dir.path() + "/packages/targets";
    writeFile(targets + "/project_templates.xml", "kept");
    ASSERT_EQ(symlink("/nonexistent/dir/frequencies.xml", (targets + "/frequencies.xml").c_str()), 0);
    EXPECT_EQ(messageOf(dir.path() + "/packages"), "cannot create " + targets + "/frequencies.xml");
    EXPECT_EQ(testsupport::listTree(targets), (std::set<std::string>{"frequencies.xml", "project_templates.xml"}));
}

} // namespace
