#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"
#include "project/MSP430BuildSystem.h"
#include "project/PropertyFixture.h"
#include "solution/ProjectTemplates.h"
#include "support/files.h"

namespace {

using Strings = std::vector<std::string>;

std::optional<std::string> value(ProjectElement* element, const std::string& configuration, const std::string& name)
{
    std::optional<std::string> result;
    element->getProperty(configuration, name, result, nullptr);
    return result;
}

// The sample solution with the toolchain's build system; templates are read
// from a scratch targets directory.
class ProjectTemplatesTest : public ::testing::Test {
protected:
    ProjectTemplatesTest()
    {
        s.useBuildSystem();
        s.macroSystem.setSystemMacro("TargetsDir", dir.path());
        s.macroSystem.setSystemMacro("StudioDir", "/studio");
    }

    ProjectTemplates& load(const std::string& xml)
    {
        testsupport::writeFile(dir.path() + "/project_templates.xml", xml);
        templates = std::make_unique<ProjectTemplates>(s.context);
        return *templates;
    }
    void complete(const char* name)
    {
        templates->createProjectFromTemplate(s.solution, s.project, templates->findTemplate(name));
    }

    testsupport::TempDir dir;
    propertytest::SampleSolution s;
    std::unique_ptr<ProjectTemplates> templates;
};

TEST_F(ProjectTemplatesTest, UnusableFilesIndexNothingAndDeepFilesAreBounded)
{
    for (const std::string content : {"", "<projects><project template_name=\"T\">", "not XML"})
        EXPECT_TRUE(load(content).listTemplates().empty()) << content;
    EXPECT_EQ(load("<project template_name=\"Root\"/>").listTemplates(), Strings{"Root"});

    // Far deeper than a call stack allows; c0 inherits c1, which inherits c2, ...
    const int depth = 30000;
    std::string deep = "<projects><project template_name=\"T\">";
    for (int i = 0; i < depth; ++i)
        deep += "<folder name=\"f\">";
    for (int i = 0; i < depth; ++i)
        deep += "</folder>";
    deep += "</project><configurations>";
    for (int i = 0; i < depth; ++i)
        deep += "<c name=\"c" + std::to_string(i) + "\"><p name=\"inherited_configurations\" value=\"c" +
                std::to_string(i + 1) + "\"/></c>";
    load(deep + "</configurations></projects>");
    complete("T");
    std::size_t levels = 0;
    for (ProjectElement* folder = s.project; (folder = s.system.findFolder(folder, "f")) != nullptr;)
        ++levels;
    EXPECT_EQ(levels, ProjectTemplates::kMaxContentDepth);
    templates->createConfiguration(s.solution, s.project, "c0");
    EXPECT_EQ(s.solution->numConfigurationElements(), depth);
}

TEST_F(ProjectTemplatesTest, ContentCompletesTheProjectWithoutOverwritingIt)
{
    testsupport::writeFile(dir.path() + "/groups.xml", R"(<t><group name="Target" default="Small">
  <groupEntry name="Small"><property name="memory" value="2K"/></groupEntry>
  <groupEntry name="Large"><property name="memory" value="64K"/></groupEntry>
</group></t>)");
    load(R"xml(<projects><project template_name="T" type="Executable"><folder name="unused"/></project>
<project template_name="T" type="Library">
  <folder name="src" filter="c;h">
    <file name="src/main.c"><property name="file_type" value="C"/></file>
  </folder>
  <folder name="src" filter="other"/>
  <folder name="Source Files" filter="c;s"/>
  <file name="$(StudioDir)/crt0.asm" expand="No"/>
  <file name="$(StudioDir)/boot.s"/>
  <property name="kept" value="template"/>
  <property name="plain" value="$(ProjectName)"/>
  <property name="expanded" value="$(ProjectName)" expand="YES" configuration=""/>
  <propertygroup name="Target" value="Large"/>
  <propertygroup name="Target" configuration="Debug" value="Large"/>
  <propertygroup name="Unknown" value="x"/>
  <![CDATA[the chain ends here]]>
  <property name="after" value="1"/>
</project></projects>)xml");
    s.set(s.project, "Common", "kept", "solution");
    s.set(s.project, "Common", "property_groups_file_path", "$(TargetsDir)/groups.xml");
    s.set(s.project, "Debug", "Target", "Small");
    complete("T");

    EXPECT_EQ(value(s.project, "Common", "project_type"), "Library"); // the later template
    // The existing folder is reused and given the filter it lacked, once.
    EXPECT_EQ(s.project->folderChildren().size(), 2u);
    EXPECT_EQ(value(s.folder, "Common", "filter"), "c;h");
    ProjectElement* sources = s.system.findFolder(s.project, "Source Files");
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(value(sources, "Common", "filter"), "c;s");

    EXPECT_EQ(value(s.file, "Common", "file_type"), "C");
    EXPECT_NE(s.system.findFile(s.project, "$(StudioDir)/crt0.asm"), nullptr);
    EXPECT_NE(s.system.findFile(sources, "/studio/boot.s"), nullptr); // its folder's filter lists ".s"

    EXPECT_EQ(value(s.project, "Common", "kept"), "solution");
    EXPECT_EQ(value(s.project, "Common", "plain"), "$(ProjectName)");
    EXPECT_EQ(value(s.project, "Common", "expanded"), "p");
    EXPECT_EQ(value(s.project, "Common", "after"), std::nullopt);
    // A group's bundle follows the project's own choice, else the template's.
    EXPECT_EQ(value(s.project, "Common", "memory"), "64K");
    EXPECT_EQ(value(s.project, "Debug", "memory"), "2K");
}

TEST_F(ProjectTemplatesTest, ConfigurationsCreateWhatTheyInheritAndStopAtCycles)
{
    load(R"(<projects>
  <project template_name="T"><configuration name="Top"/><configuration name="Unknown"/></project>
  <configurations>
    <c name="Release"><p name="opt" value="Replaced"/></c>
    <c name="Common"><p name="quiet" value="Yes"/></c>
    <c name="Top"><p name="inherited_configurations" value="Debug;;Release"/><p name="top" value="1"/></c>
    <c name="Debug"><p name="inherited_configurations" value="Common"/><p name="opt" value="None"/><p name="e" value=""/></c>
    <c name="Release"><p name="inherited_configurations" value="Common"/><p name="opt" value="Size"/></c>
    <c name="A"><p name="inherited_configurations" value="B"/><p name="a" value="1"/></c>
    <c name="B"><p name="inherited_configurations" value="A"/></c>
  </configurations>
</projects>)");
    s.set(s.solution, "Debug", "opt", "None");
    s.set(s.solution, "Release", "opt", "Speed");
    complete("T");

    EXPECT_EQ(s.solution->numConfigurationElements(), 4); // Common, Debug, Release, Top
    EXPECT_EQ(value(s.solution, "Top", "inherited_configurations"), "Debug;;Release");
    EXPECT_EQ(value(s.solution, "Top", "top"), "1");
    EXPECT_EQ(value(s.solution, "Common", "quiet"), "Yes");
    EXPECT_EQ(value(s.solution, "Debug", "e"), std::nullopt);
    // A value the solution holds differently goes into the project; an equal one nowhere.
    EXPECT_EQ(value(s.solution, "Release", "opt"), "Speed");
    EXPECT_EQ(value(s.project, "Release", "opt"), "Size");
    EXPECT_EQ(value(s.project, "Debug", "opt"), std::nullopt);

    templates->createConfiguration(s.solution, s.project, "A");
    EXPECT_EQ(value(s.solution, "A", "a"), "1");
    EXPECT_EQ(value(s.solution, "B", "inherited_configurations"), "A");
}

} // namespace
