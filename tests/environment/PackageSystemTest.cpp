#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "environment/PackageSystem.h"
#include "foundation/HException.h"
#include "macros/MacroSystem.h"
#include "support/files.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;

constexpr const char* kTemplatesStub =
    "<!DOCTYPE Project_Templates_File>\n<projects>\n"
    "  <include filename=\"$(StudioDir)/targets/project_templates.xml\" no_root=\"1\" />\n</projects>\n";
constexpr const char* kFrequenciesStub =
    "<envelope>\n  <include filename=\"$(StudioDir)/targets/frequencies.xml\" />\n</envelope>\n";

ino_t inodeOf(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(PackageSystem, WritesMissingStubsOnceAndDefinesTheDirectories)
{
    TempDir dir;
    macroSystem.setSystemMacro("StudioUserDir", dir.path() + "/user");
    PackageSystem::setupPackageMacros("$(StudioUserDir)/packages");
    const std::string packages = dir.path() + "/user/packages";
    EXPECT_EQ(macroSystem.systemMacro("PackagesDir"), packages);
    EXPECT_EQ(macroSystem.systemMacro("TargetsDir"), packages + "/targets");
    EXPECT_EQ(macroSystem.systemMacro("SamplesDir"), packages + "/samples");
    EXPECT_EQ(testsupport::listTree(packages),
              (std::set<std::string>{"targets/", "targets/frequencies.xml", "targets/project_templates.xml"}));
    const std::string templates = packages + "/targets/project_templates.xml";
    const std::string frequencies = packages + "/targets/frequencies.xml";
    EXPECT_EQ(readFile(templates), kTemplatesStub);
    EXPECT_EQ(readFile(frequencies), kFrequenciesStub);

    // Later runs keep whatever is there, edited or not.
    testsupport::writeFile(templates, "edited", 0644, 1000);
    const ino_t frequenciesInode = inodeOf(frequencies);
    PackageSystem::setupPackageMacros(packages);
    EXPECT_EQ(readFile(templates), "edited");
    EXPECT_EQ(testsupport::fileMtime(templates), 1000);
    EXPECT_EQ(inodeOf(frequencies), frequenciesInode);
}

TEST(PackageSystem, StubThatCannotBeWrittenThrows)
{
    TempDir dir;
    // A file where the packages directory should be.
    testsupport::writeFile(dir.path() + "/file", "");
    const std::string packages = dir.path() + "/file/packages";
    try {
        PackageSystem::setupPackageMacros(packages);
        ADD_FAILURE() << "no exception";
    } catch (const HException& e) {
        EXPECT_EQ(e.message(), "cannot create " + packages + "/targets/project_templates.xml");
    }
    EXPECT_EQ(macroSystem.systemMacro("TargetsDir"), packages + "/targets");

    // The second stub: a link into a directory that does not exist.
    const std::string targets = dir.path() + "/packages/targets";
    testsupport::writeFile(targets + "/project_templates.xml", "kept");
    ASSERT_EQ(symlink("/nonexistent/dir/frequencies.xml", (targets + "/frequencies.xml").c_str()), 0);
    try {
        PackageSystem::setupPackageMacros(dir.path() + "/packages");
        ADD_FAILURE() << "no exception";
    } catch (const HException& e) {
        EXPECT_STREQ(e.what(), ("cannot create " + targets + "/frequencies.xml").c_str());
    }
    EXPECT_EQ(testsupport::listTree(targets), (std::set<std::string>{"frequencies.xml", "project_templates.xml"}));
}

} // namespace
