#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyFixture.h"
#include "project/PropertyInheritance.h"
#include "project/PropertyValue.h"

namespace {

using propertytest::SampleSolution;

PropertyClass text(const std::string& name, PropertyClass::Type type, const std::string& defaultValue = "dflt")
{
    return PropertyClass(name, type, "General", "Group", "Title", "Help.", defaultValue);
}

// The sample solution, and a plain and a list property of one name.
struct PropertyLookup : testing::Test {
    SampleSolution s;
    const PropertyClass single = text("x", PropertyClass::String);
    const PropertyClass list = text("x", PropertyClass::StringList);
};

TEST_F(PropertyLookup, FirstHitWinsPerLevelAndListsAccumulateMostSpecificFirst)
{
    s.set(s.file, "Debug", "x", "a");
    s.set(s.project, "Common", "x", "b");
    s.set(s.solution, "Debug", "x", "c");
    const PropertyClass dirs = text("x", PropertyClass::DirPathList);
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug"), "a;b;c");
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Debug"), "a");
    EXPECT_EQ(s.system.settingFor(s.file, &dirs, "Debug"), "a"); // only StringList accumulates
    // "Common" is asked for at each level; the solution's Debug is not seen.
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Common"), "b");
    // Nobody sets Release at the file: its Common step at the project comes first.
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Release"), "b");

    PropertyInheritanceInformation info;
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug", &info), "a;b;c");
    // The Common step of a Debug lookup leaves no record.
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].value, "a");
    EXPECT_EQ(info[0].configuration, "Debug");
    EXPECT_EQ(info[0].element, s.file);
    EXPECT_EQ(info[1].value, "c");
    EXPECT_EQ(info[1].element, s.solution);
}

TEST_F(PropertyLookup, InheritedConfigurationsAreOneLevelDeepAndComeBeforeCommon)
{
    s.inherit("Release", "Base;;Extra");
    s.inherit("Base", "Deep");

    s.set(s.project, "Release", "x", "project-release");
    s.set(s.file, "Base", "x", "file-base");
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Release"), "file-base");
    s.set(s.file, "Common", "x", "file-common");
    s.set(s.file, "Extra", "x", "file-extra");
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Release"), "file-base;file-extra;file-common;project-release");
    EXPECT_EQ(s.system.configurationUsedFor(s.file, &single, "Release"), "Base");
    EXPECT_EQ(s.system.configurationUsedFor(s.file, &single, "Other"), "Common");
    EXPECT_EQ(s.system.configurationUsedFor(s.folder, &single, "Release"), std::nullopt); // no configurations
    // Asking for Common never consults inherited configurations.
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Common"), "file-common");
    EXPECT_EQ(s.system.configurationUsedFor(s.file, &single, "Common"), "Common");

    // What Base inherits is not followed from Release.
    s.set(s.file, "Deep", "y", "deep");
    const PropertyClass y = text("y", PropertyClass::String);
    EXPECT_EQ(s.system.settingFor(s.file, &y, "Release"), "dflt");
    EXPECT_EQ(s.system.settingFor(s.file, &y, "Base"), "deep");

    // The list is read at the nearest solution, then its ancestors while empty.
    EXPECT_EQ(s.system.getInheritedConfigurations(s.file, "Release"), (std::vector<std::string>{"Base", "Extra"}));
    EXPECT_TRUE(s.system.getInheritedConfigurations(s.file, "Debug").empty());
}

TEST_F(PropertyLookup, EmptyValuesCountAsSetAndOnlyNothingGivesTheDefault)
{
    PropertyInheritanceInformation info;
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug", &info), "dflt");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].element, nullptr);

    s.set(s.project, "Debug", "x", "deeper");
    s.set(s.file, "Debug", "x", "");
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Debug"), "");
    EXPECT_EQ(s.system.specificSettingFor(s.file, &single, "Debug"), "");
    EXPECT_EQ(s.system.specificSettingFor(s.folder, &single, "Debug"), std::nullopt);
    // An empty text adds no separator: the next value follows without ";".
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug"), "deeper");
    s.set(s.project, "Debug", "x", "");
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug"), "");
    EXPECT_EQ(s.system.settingFor(nullptr, &single, "Debug"), "dflt");
    // The platform is a property like any other; without an element, the toolchain's.
    EXPECT_EQ(s.system.platform(nullptr), "MSP430");
    s.set(s.solution, "Common", "Platform", "Other");
    EXPECT_EQ(s.system.platform(s.file), "Other");
    // The Common readers look at the element alone.
    s.set(s.project, "Common", "file_codec", "UTF-8");
    EXPECT_EQ(s.system.getFileCodec(s.project), "UTF-8");
    EXPECT_EQ(s.system.getFileCodec(s.file), std::nullopt);
}

TEST_F(PropertyLookup, WritingCreatesAndRemovingDropsConfigurations)
{
    s.system.setProperty(s.file, &single, "Debug", "1", false);
    ASSERT_EQ(s.file->numConfigurationElements(), 1);
    s.system.setProperty(s.file, "y", "Debug", "2", false);
    EXPECT_EQ(s.file->numConfigurationElements(), 1);

    s.system.removeProperty(s.file, &single, "Debug");
    ASSERT_EQ(s.file->numConfigurationElements(), 1); // still holds y
    EXPECT_EQ(s.system.settingFor(s.file, &single, "Debug"), "dflt");
    s.system.removeProperty(s.file, "y", "Debug");
    EXPECT_EQ(s.file->numConfigurationElements(), 0);
    EXPECT_EQ(s.file->firstChild(), nullptr);

    s.system.setInheritedConfigurations(s.file, "Release", {"A", "B"});
    EXPECT_EQ(s.solution->configurations().at("Release")->attribute("inherited_configurations"), "A;B");
    EXPECT_EQ(s.system.getInheritedConfigurations(s.project, "Release"), (std::vector<std::string>{"A", "B"}));
    s.solution->configurations().at("Release")->setModified(false);
    s.system.setInheritedConfigurations(s.file, "Release", {"A", "B"}); // unchanged: not written
    EXPECT_FALSE(s.solution->configurations().at("Release")->modified());
}

TEST_F(PropertyLookup, ProjectValuesReadAndWriteTheirPlace)
{
    PropertyClass commonOnly = text("c", PropertyClass::String);
    commonOnly.setPerConfiguration(false);
    s.set(s.project, "Debug", "x", "outer");

    ProjectPropertyValue ownList(&list, "Debug", s.file, &s.system);
    EXPECT_EQ(ownList.propertyValue(), std::nullopt); // a list reads only its own text
    EXPECT_TRUE(ownList.inherited());
    EXPECT_TRUE(ownList.nonDefault());
    ownList.setValue(std::vector<std::string>{"a;b", "c"});
    EXPECT_EQ(ownList.propertyValue(), "a\\;b;c");
    EXPECT_FALSE(ownList.inherited());
    EXPECT_EQ(s.system.settingFor(s.file, &list, "Debug"), "a\\;b;c;outer");

    ProjectPropertyValue common(&commonOnly, "Debug", s.file, &s.system);
    EXPECT_EQ(common.configuration(), "Common");
    EXPECT_FALSE(common.nonDefault());
    common.setValue("v");
    EXPECT_EQ(s.system.specificSettingFor(s.file, &commonOnly, "Common"), "v");
    ASSERT_EQ(common.inheritanceInformation().size(), 1u);
    EXPECT_TRUE(common.nonDefault());

    // A null text unsets the value at the element: the lookup goes on past it.
    PropertyClass choice("e", PropertyClass::Enumeration, {"A", "B", "C"}, "", "", "", "", "B");
    ProjectPropertyValue enumValue(&choice, "Debug", s.file, &s.system);
    testing::internal::CaptureStderr();
    enumValue.setValue(2);
    EXPECT_EQ(enumValue.propertyValue(), "C");
    enumValue.setValue(5);
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1); // one warning, for the value out of range
    EXPECT_TRUE(enumValue.inherited());
    EXPECT_EQ(enumValue.propertyValue(), "B");
    EXPECT_EQ(enumValue.toInt(), 1);
}

} // namespace
