#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "environment/PackageSystem.h"
#include "foundation/HException.h"
#include "macros/MacroSystem.h"
#include "support/files.h"

namespace {

using testsupport::TempDir;
using testsupport::writeFile;

// A stub blocked by a file is fatal end to end; here the second stub is a link
// into a directory that does not exist, and the first is kept.
TEST(PackageSystem, StubThatCannotBeWrittenThrows)
{
    TempDir dir;
    MacroSystem macroSystem;
    const std::string targets = dir.path() + "/packages/targets";
    writeFile(targets + "/project_templates.xml", "kept");
    ASSERT_EQ(symlink("/nonexistent/dir/frequencies.xml", (targets + "/frequencies.xml").c_str()), 0);
    try {
        PackageSystem::setupPackageMacros(macroSystem, dir.path() + "/packages");
        ADD_FAILURE() << "no exception";
    } catch (const HException& e) {
        EXPECT_EQ(std::string(e.what()), "cannot create " + targets + "/frequencies.xml");
    }
    EXPECT_EQ(testsupport::readFile(targets + "/project_templates.xml"), "kept");
    EXPECT_EQ(macroSystem.systemMacro("TargetsDir"), targets);
}

} // namespace
