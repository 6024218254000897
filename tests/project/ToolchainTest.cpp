#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/QTx.h"
#include "project/MSP430BuildSystem.h"
#include "project/PropertyFixture.h"
#include "project/PropertyValueGroup.h"
#include "support/files.h"

namespace {

using propertytest::SampleSolution;
using testsupport::TempDir;
using testsupport::writeFile;

bool lists(const PropertyClassList& list, const std::string& name)
{
    return std::any_of(list.begin(), list.end(), [&](const PropertyClass* c) { return c->saveName() == name; });
}

TEST(Toolchain, LaterLevelsReplaceRowsAndTheOptionsFileExtendsTheToolLists)
{
    TempDir dir;
    writeFile(dir.path() + "/bin/mkpkg", "");
    writeFile(dir.path() + "/bin/build_options.xml", R"(<options>
  <property name="x_compiler" type="String" tool="compiler" default="c"/>
  <anything name="x_linker" type="Boolean" tool="linker"/>
  <property name="x_debugger" tool="debugger"/>
  <property name="x_none" type="String"/>
</options>)");
    SampleSolution s;
    MSP430BuildSystem& build =
        s.useBuildSystem(QTx::applicationPath((dir.path() + "/bin/mkpkg").c_str(), 1).application);

    // The toolchain's row replaces the family's one of the same name, in the lists too.
    const PropertyClass* multiplier = build.findPropertyClass("build_use_hardware_multiplier");
    EXPECT_EQ(multiplier, build.definition("build_use_hardware_multiplier"));
    EXPECT_EQ(multiplier->defaultValue(), "No Multiplier");
    // Registered but not offered; of two rows of one name, the later is found unless a group is given.
    EXPECT_NE(build.definition("build_action"), nullptr);
    EXPECT_EQ(build.findPropertyClass("build_action"), nullptr);
    EXPECT_EQ(build.findPropertyClass("build_output_file_name")->defaultValue(), "$(OutDir)/$(ProjectName)$(LIB)");
    EXPECT_EQ(build.definition("build_output_file_name", "Linker Options")->shortDescription(), "Executable File Name");
    EXPECT_EQ(build.findPropertyClass("linker_stack_size")->defaultValue(), "0"); // below the minimum: not clamped

    const MSP430ProjectSystem& system = s.system;
    PropertyClassList compiler, assembler, linker;
    system.appendCCompilerProperties(compiler);
    system.appendAssemblerProperties(assembler);
    system.appendLinkerProperties(linker);
    EXPECT_TRUE(lists(compiler, "x_compiler") && lists(assembler, "x_compiler") && !lists(linker, "x_compiler"));
    EXPECT_TRUE(lists(linker, "x_linker") && !lists(compiler, "x_linker"));
    EXPECT_NE(std::find(linker.begin(), linker.end(), multiplier), linker.end());
    EXPECT_NE(build.findPropertyClass("x_debugger"), nullptr); // registered, in no list
    EXPECT_EQ(build.findPropertyClass("x_none"), nullptr);
}

// Dropping the shared placement file is checked end to end, where it shows.
TEST(Toolchain, MungeAppliesEachProjectsTarget)
{
    TempDir dir;
    writeFile(dir.path() + "/groups.xml", R"(<targets>
  <group name="Target" default="F149">
    <groupEntry name="F149"><property name="memory" value="60K"/></groupEntry>
    <groupEntry name="F449"><property name="memory" value="48K"/></groupEntry>
  </group>
</targets>)");
    SampleSolution s;
    s.useBuildSystem();
    // An older file: a nested solution whose project names its target, and an
    // outer project that names none.
    ProjectElement* inner = s.add(s.solution, "solution");
    ProjectElement* innerProject = s.add(inner, "project");
    innerProject->setName("q", false);
    s.set(innerProject, "Common", "Target", "F449");
    s.set(s.solution, "Common", "property_groups_file_path", dir.path() + "/groups.xml");

    s.system.munge(s.solution);

    const PropertyClass memory("memory", PropertyClass::String, "", "", "", "", "");
    const PropertyClass target("Target", PropertyClass::String, "", "", "", "", "");
    EXPECT_EQ(s.system.specificSettingFor(s.project, &memory, "Common"), "60K");
    EXPECT_EQ(s.system.specificSettingFor(s.project, &target, "Common"), "F149"); // the default, now recorded
    EXPECT_EQ(s.system.specificSettingFor(innerProject, &memory, "Common"), "48K");
}

} // namespace
