#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "environment/EnvironmentSettings.h"
#include "macros/MacroSystem.h"
#include "support/files.h"

namespace {

using testsupport::readFile;
using testsupport::writeFile;

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

TEST_F(Environment, GlobalMacrosComeFromTheSettingsFile)
{
    const std::string file = studioLocalDataDir() + "/settings.xml";
    {
        // Left as read, an environment writes nothing when it goes, and the
        // macro system no longer reads from it.
        MacroSystem macroSystem;
        {
            EnvironmentSettings settings(macroSystem);
            settings.createEntries();
            macroSystem.setGlobalMacro("New", "1");
            EXPECT_EQ(macroSystem.globalMacro("New"), "1");
            settings.leaveSettingsFileAsRead();
        }
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_TRUE(macroSystem.globalMacros(false).empty());
    }
    writeFile(file, "<!DOCTYPE Lathmark_Settings_File>\n<settings>\n  <setting name=\"Environment/Macros/Global "
                    "Macros\">Board=X;Dir=$(StudioDir)/x;;Amp=a &amp; b</setting>\n</settings>\n");
    MacroSystem macroSystem;
    auto settings = std::make_unique<EnvironmentSettings>(macroSystem);
    settings->createEntries();
    EXPECT_EQ(macroSystem.globalMacros(false),
              (MacroTable{{"Amp", "a & b"}, {"Board", "X"}, {"Dir", "$(StudioDir)/x"}}));

    macroSystem.setGlobalMacro("New", "1;2");
    settings->saveSettings();
    EXPECT_NE(readFile(file).find(">Amp=a &amp; b;Board=X;Dir=$(StudioDir)/x;New=1\\;2</setting>"), std::string::npos);

    // An empty setting reads as the property's default.
    EnvironmentPropertyValue* quickOpen = settings->property("Environment/General/Quick Open Directories");
    quickOpen->setValue("");
    EXPECT_EQ(quickOpen->toStringList(false),
              (std::vector<std::string>{"$(StudioDir)/include", "$(PackagesDir)/include/targets"}));

    // An environment that goes away takes its global macros with it, and saves.
    settings.reset();
    EXPECT_TRUE(macroSystem.globalMacros(false).empty());
    EXPECT_NE(readFile(file).find("Quick Open Directories\"></setting>"), std::string::npos);
}

} // namespace
