#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "macros/MacroSystem.h"
#include "project/MSP430BuildSystem.h"
#include "project/PropertyClass.h"
#include "project/PropertyFixture.h"

namespace {

using propertytest::SampleSolution;

// The toolchain's build system, with a last step that records what it saw.
struct RecordingBuildSystem : MSP430BuildSystem {
    using MSP430BuildSystem::MSP430BuildSystem;
    std::string lastNodeName;

    void addMacros(ProjectElement*, const std::string&, MacroTable& table) override
    {
        lastNodeName = table.at("ProjectNodeName");
        table["Added"] = "last";
    }
};

TEST(BuildMacros, FileNodeGetsNamesPathsAndDirectories)
{
    SampleSolution s("/w/my.board.hzp");
    MSP430BuildSystem& base = s.useBuildSystem();
    MacroTable t = base.macros(s.file, "Debug");
    for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{{"ProjectNodeName", "main.c"},
                                                                                      {"Platform", "msp430"},
                                                                                      {"SolutionDir", "/w"},
                                                                                      {"SolutionName", "my"},
                                                                                      {"SolutionExt", "board.hzp"},
                                                                                      {"InputDir", "/w/src"},
                                                                                      {"InputExt", "c"},
                                                                                      {"InputPath", "/w/src/main.c"},
                                                                                      {"RelInputPath", "src/main.c"},
                                                                                      {"IntDir", "Debug"},
                                                                                      {"RootOutDir", ""}})
        EXPECT_EQ(t.at(name), value) << name;
    EXPECT_EQ(t.count("RootRelativeOutDir"), 0u);

    // The solution node has no project and no input file.
    t = base.macros(s.solution, "Release");
    EXPECT_EQ(t.count("ProjectName"), 0u);
    EXPECT_EQ(t.count("InputName"), 0u);
    EXPECT_EQ(t.at("ProjectNodeName"), "my.board.hzp");
}

TEST(BuildMacros, PrecedenceRunsSystemGlobalProjectThenComputed)
{
    SampleSolution s;
    RecordingBuildSystem& build = s.useBuildSystem<RecordingBuildSystem>();
    s.macroSystem.globalMacrosSetting().setValue("HostOS=global;G=global;Configuration=global");
    s.set(s.project, "Common", "macros", "G=project;P=$(G);OutDir=ignored");
    s.set(s.file, "Debug", "macros", "F=file");
    MacroTable t = build.macros(s.file, "Debug");
    EXPECT_EQ(t.at("HostOS"), "global");
    EXPECT_EQ(t.at("G"), "project");
    EXPECT_EQ(t.at("P"), "$(G)"); // values go in unexpanded
    EXPECT_EQ(t.at("F"), "file");
    EXPECT_EQ(t.at("Configuration"), "Debug");
    EXPECT_EQ(t.at("OutDir"), "Debug");
    EXPECT_EQ(t.at("Added"), "last");
    EXPECT_EQ(build.lastNodeName, "main.c");

    // Later directories see the earlier ones.
    s.set(s.solution, "Common", "build_root_output_directory", "$(SolutionDir)");
    s.set(s.project, "Common", "build_output_directory", "$(RootOutDir)/$(ProjectName)/$(Configuration)");
    t = build.macros(s.file, "Debug");
    EXPECT_EQ(t.at("RootOutDir"), "/w");
    EXPECT_EQ(t.at("OutDir"), "/w/p/Debug");
    EXPECT_EQ(t.at("RootRelativeOutDir"), "../..");
    s.set(s.project, "Debug", "build_intermediate_directory", "");
    EXPECT_EQ(build.macros(s.file, "Debug").at("IntDir"), ".");
}

TEST(BuildMacros, SettingForExpandedExpandsTheCombinedValue)
{
    SampleSolution s;
    RecordingBuildSystem& build = s.useBuildSystem<RecordingBuildSystem>();
    s.macroSystem.setSystemMacro("Tools", "/opt/tools");
    const PropertyClass includes("c_include_directories", PropertyClass::StringList, "", "", "", "", "");
    s.set(s.file, "Debug", "c_include_directories", "$(InputDir)");
    s.set(s.project, "Common", "c_include_directories", "$(Tools)/include;$(Undefined)");
    s.set(s.project, "Common", "macros", "Split=$(");
    s.set(s.solution, "Debug", "c_include_directories", "$(Split)ProjectName)");
    // Each value alone would leave "$(" unterminated; only the joined text names ProjectName.
    EXPECT_EQ(build.settingForExpanded(s.file, &includes, "Debug"),
              "/w/src;/opt/tools/include;$(Undefined);$(ProjectName)");
    const PropertyClass output("o", PropertyClass::FileName, "", "", "", "", "$(OutDir)/$(ProjectName)$(EXE)");
    EXPECT_EQ(build.settingForExpanded(s.project, &output, "Release"), "Release/p.hzx");
    EXPECT_EQ(build.settingForExpanded(s.project, nullptr, "Release"), "");
}

TEST(BuildMacros, LibExtNamesTheProjectsLibraryVariant)
{
    SampleSolution s;
    MSP430BuildSystem& build = s.useBuildSystem();
    EXPECT_EQ(build.macros(s.project, "Debug").at("LibExt"), "_soft_single");
    EXPECT_EQ(build.macros(s.file, "Debug").count("LibExt"), 0u);

    s.set(s.solution, "Common", "build_use_hardware_multiplier", "16-Bit Multiplier");
    s.set(s.project, "Debug", "double_is_float", "No");
    s.set(s.project, "Debug", "msp430_insn_set", "MSP430X");
    EXPECT_EQ(build.macros(s.project, "Debug").at("LibExt"), "_hw16_double_cpux");
    s.set(s.project, "Release", "build_use_hardware_multiplier", "Inline"); // the family's old value
    EXPECT_EQ(build.macros(s.project, "Release").at("LibExt"), "_hw32_single");
}

} // namespace
