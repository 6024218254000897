#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

#include "project/PropertyFixture.h"
#include "project/PropertyValueGroup.h"
#include "support/files.h"

namespace {

using propertytest::SampleSolution;
using testsupport::TempDir;
using testsupport::writeFile;

const char* const kTargets = R"(<targets>
  <group name="Target" group="Targets" short="Target Processor" long="The device." default="Small">
    <groupEntry name="Small">
      <property name="memory" value="2K"/>
      <property name="insn" configuration="Common" value="MSP430"/>
      <other name="note" value="small" configuration="Info"/>
    </groupEntry>
    <ignored name="Medium"/>
    <groupEntry name="Large">
      <property name="memory" value="64K"/>
      <other name="note" value="large"/>
      <other name="tag"/>
    </groupEntry>
  </group>
  <notagroup name="Skipped"/>
  <group name="Board" page="Boards"/>
</targets>)";

TEST(PropertyGroup, ChoosingAnEntryWritesItsBundleAndUnknownChoicesTakeTheDefault)
{
    TempDir dir;
    writeFile(dir.path() + "/groups.xml", kTargets);
    SampleSolution s;
    PropertyValueGroups& groups = *s.context.propertyValueGroups;
    groups.setGroupFile(dir.path() + "/groups.xml");
    PropertyValueGroupClass* target = groups.getGroupClass("Target");
    ASSERT_NE(target, nullptr);

    PropertyValueGroupValue value(target, s.project, "Debug", &s.system);
    value.setPropertyValue("Large", false);
    EXPECT_EQ(s.system.specificSettingFor(s.project, target, "Debug"), "Large");
    EXPECT_EQ(s.project->configurations().at("Debug")->attribute("memory"), "64K");

    s.set(s.project, "Debug", "unrelated", "stays");
    value.setPropertyValue(std::optional<std::string>("NoSuchBoard"));
    EXPECT_EQ(s.system.specificSettingFor(s.project, target, "Debug"), "Small");
    EXPECT_EQ(s.project->configurations().at("Debug")->attribute("memory"), "2K");
    EXPECT_EQ(s.project->configurations().at("Common")->attribute("insn"), "MSP430");
    EXPECT_EQ(s.project->configurations().at("Debug")->attribute("unrelated"), "stays");

    // A default that names no entry records only the choice.
    PropertyValueGroupClass* board = groups.getGroupClass("Board");
    PropertyValueGroupValue boardValue(board, s.file, "Debug", &s.system);
    boardValue.setPropertyValue("x", false);
    EXPECT_EQ(s.file->configurations().at("Debug")->attributes().size(), 2u); // Name and Board
    EXPECT_EQ(s.system.specificSettingFor(s.file, board, "Debug"), "");
}

void setModificationTime(const std::string& path, long seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(PropertyGroup, FilesAreReusedWhileUnchangedAndRetiredWhenChanged)
{
    TempDir dir;
    const std::string path = dir.path() + "/groups.xml";
    writeFile(path, kTargets);
    setModificationTime(path, 1000000, 100);
    const MacroSystem macros;
    PropertyValueGroups groups(macros);
    groups.setGroupFile(path);
    PropertyValueGroupFile* first = groups.currentFile();
    ASSERT_NE(first, nullptr);
    groups.setGroupFile("None");
    EXPECT_EQ(groups.currentFile(), nullptr);
    EXPECT_EQ(groups.getGroupClass("Target"), nullptr);
    groups.setGroupFile(path);
    EXPECT_EQ(groups.currentFile(), first);
    EXPECT_EQ(groups.loadedFiles().size(), 1u);

    // Rewritten within the same second: only the nanoseconds tell.
    writeFile(path, R"(<t><group name="Fresh"/></t>)");
    setModificationTime(path, 1000000, 200);
    PropertyValueGroupClass* oldTarget = first->getGroupClass("Target");
    groups.setGroupFile(path);
    ASSERT_NE(groups.currentFile(), nullptr);
    EXPECT_NE(groups.currentFile(), first);
    EXPECT_NE(groups.getGroupClass("Fresh"), nullptr);
    EXPECT_EQ(groups.getGroupClass("Target"), nullptr);
    ASSERT_EQ(groups.retiredFiles().size(), 1u);
    EXPECT_EQ(groups.retiredFiles()[0].get(), first);
    EXPECT_EQ(oldTarget->saveName(), "Target"); // retired classes stay usable
    EXPECT_EQ(groups.loadedFiles().size(), 1u);

    // A file that went away cannot be reloaded: nothing is current.
    std::remove(path.c_str());
    groups.setGroupFile(path);
    EXPECT_EQ(groups.currentFile(), nullptr);
    EXPECT_EQ(groups.retiredFiles().size(), 2u);
    EXPECT_TRUE(groups.loadedFiles().empty());
}

TEST(PropertyGroup, UnusableFilesLeaveNoCurrentFileAndNeverCrash)
{
    TempDir dir;
    const MacroSystem macros;
    const std::string deep(20000, '<');
    std::string nested;
    for (int i = 0; i < 5000; ++i)
        nested += "<group name=\"g\">";
    const std::string hugeValue = "<t><group name=\"G\" default=\"" + std::string(4 << 20, 'v') +
                                  "\"><groupEntry name=\"" + std::string(1 << 20, 'e') + "\"/></group></t>";
    // Malformed text is tested with the parser and endless includes with the
    // preprocessor; here any failed load must leave no current file.
    const struct {
        const char* name;
        std::string content;
        bool loads;
    } cases[] = {
        {"empty", "", false},      {"binary", std::string("\0\x01\xff<<>>", 7), false},
        {"brackets", deep, false}, {"unclosed", "<t>" + nested, false},
        {"huge", hugeValue, true},
    };
    for (const auto& c : cases) {
        const std::string path = dir.path() + "/" + c.name + ".xml";
        writeFile(path, c.content);
        PropertyValueGroups groups(macros);
        groups.setGroupFile(path);
        EXPECT_EQ(groups.currentFile() != nullptr, c.loads) << c.name;
        if (!c.loads) {
            EXPECT_EQ(groups.getGroupClass("G"), nullptr) << c.name;
        }
    }
    PropertyValueGroups groups(macros);
    groups.setGroupFile(dir.path() + "/huge.xml");
    ASSERT_NE(groups.getGroupClass("G"), nullptr);
    EXPECT_EQ(groups.getGroupClass("G")->enumerates().at(0).size(), 1u << 20);
    groups.setGroupFile(dir.path() + "/missing.xml");
    EXPECT_EQ(groups.currentFile(), nullptr);
}

} // namespace
