#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "environment/EnvironmentSettings.h"
#include "environment/Settings.h"
#include "macros/MacroSystem.h"
#include "support/files.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

constexpr const char* kGlobalMacros = "Environment/Macros/Global Macros";

// The settings file lives under $HOME; each test gets a home of its own.
class Environment : public ::testing::Test {
protected:
    Environment()
    {
        if (const char* home = std::getenv("HOME"))
            savedHome_ = home;
        setenv("HOME", homePath(), 1);
    }
    ~Environment() override { savedHome_ ? setenv("HOME", savedHome_->c_str(), 1) : unsetenv("HOME"); }
    const char* homePath() const { return home_.path().c_str(); }

private:
    testsupport::TempDir home_;
    std::optional<std::string> savedHome_;
};

TEST_F(Environment, CreatesTheEntriesInOrderWithTheFixedRows)
{
    EnvironmentSettings settings;
    settings.createEntries();
    std::vector<std::string> names;
    for (const auto& value : settings.properties())
        names.push_back(value->propertyClass()->saveName());
    ASSERT_EQ(names.size(), 172u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 172u);
    EXPECT_EQ(names[0], "Environment/Main Window/State");
    EXPECT_EQ(names[9], kGlobalMacros);
    EXPECT_EQ(names[112], "Environment/Debugger/Default Variable Display Mode");
    EXPECT_EQ(names[113], "Environment/Debugger/Extended Tooltip Display Mode/ASCII");
    EXPECT_EQ(names[118], "Environment/Debugger/Extended Tooltip Display Mode/Hexadecimal");
    EXPECT_EQ(names[119], "Environment/Debugger/Maximum Array Elements Displayed");
    EXPECT_EQ(names[171], "Environment/General/Document Title Format");

    const struct {
        const char* name;
        PropertyClass::Type type;
        std::string defaultValue;
    } fixed[] = {
        {kGlobalMacros, PropertyClass::StringList, ""},
        {"Environment/General/Project Templates", PropertyClass::String, "$(TargetsDir)/project_templates.xml"},
        {"Environment/Build/Tool Chain Root Directory", PropertyClass::String, "$(StudioDir)"},
        {"Environment/Package/Destination Directory", PropertyClass::String, "$(StudioUserDir)/packages"},
        {"Environment/General/Quick Open Directories", PropertyClass::StringList,
         "$(StudioDir)/include;$(PackagesDir)/include/targets"},
        {"Environment/General/Solution Directory", PropertyClass::String,
         std::string(homePath()) + "/Documents/Lathmark Projects"},
    };
    for (const auto& row : fixed) {
        SCOPED_TRACE(row.name);
        const EnvironmentPropertyValue* value = settings.property(row.name);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->propertyClass()->type(), row.type);
        EXPECT_EQ(value->propertyClass()->defaultValue(), row.defaultValue);
        EXPECT_EQ(EnvironmentSettings::findProperty(row.name), value);
    }

    // Window state is on no options page, so it is not registered.
    EXPECT_EQ(EnvironmentSettings::findProperty("Environment/Main Window/State"), nullptr);
}

TEST_F(Environment, GlobalMacrosComeFromTheSettingsFile)
{
    const std::string file = studioLocalDataDir() + "/settings.xml";
    writeFile(file, "<!DOCTYPE Lathmark_Settings_File>\n<settings>\n  <setting name=\"Environment/Macros/Global "
                    "Macros\">Board=X;Dir=$(StudioDir)/x;;Amp=a &amp; b</setting>\n</settings>\n");
    auto settings = std::make_unique<EnvironmentSettings>();
    settings->createEntries();
    environment = settings.get();
    EXPECT_EQ(macroSystem.globalMacros(false),
              (MacroTable{{"Amp", "a & b"}, {"Board", "X"}, {"Dir", "$(StudioDir)/x"}}));

    macroSystem.setGlobalMacro("New", "1;2");
    EXPECT_EQ(settings->productSettings().readEntry(kGlobalMacros, ""),
              "Amp=a & b;Board=X;Dir=$(StudioDir)/x;New=1\\;2");
    EXPECT_EQ(macroSystem.globalMacro("New"), "1;2");
    settings->saveSettings();
    EXPECT_NE(readFile(file).find(">Amp=a &amp; b;Board=X;Dir=$(StudioDir)/x;New=1\\;2</setting>"), std::string::npos);

    // An empty setting reads as the property's default.
    EnvironmentPropertyValue* quickOpen = settings->property("Environment/General/Quick Open Directories");
    EXPECT_EQ(quickOpen->toStringList(false),
              (std::vector<std::string>{"$(StudioDir)/include", "$(PackagesDir)/include/targets"}));
    quickOpen->setValue("");
    EXPECT_EQ(quickOpen->toStringList(false).size(), 2u);

    // An environment that goes away takes its values and its global macros with it.
    settings.reset();
    EXPECT_EQ(environment, nullptr);
    EXPECT_EQ(EnvironmentSettings::findProperty(kGlobalMacros), nullptr);
    EXPECT_TRUE(macroSystem.globalMacros(false).empty());
    EXPECT_NE(readFile(file).find("Quick Open Directories\"></setting>"), std::string::npos);
}

} // namespace
