#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "environment/GlobalMacrosSetting.h"
#include "environment/MacroSystem.h"

using List = std::vector<std::string>;

TEST(MacroSystem, ExpandsReferences)
{
    const MacroTable system = MacroSystem().systemMacros();
    struct Case {
        MacroTable table;
        std::string text;
        std::string expected;
    } cases[] = {
        {system, "$(HostOS)-$(HostArch)", "solaris-x86"},
        {system, "$(Unknown)", "$(Unknown)"},
        {system, "$(Unknown:fallback)", "fallback"},
        {system, "$(Unknown:a:b)", "a:b"},
        {{{"B", "x"}}, "$(A:$(B))", "x"},
        {{{"A", "y"}, {"B", "x"}}, "$(A:$(B))", "y"},
        {{{"A", "$(B)"}, {"B", "x"}}, "<$(A)>", "<$(B)>"},
        {{}, "cost $5", "cost $5"},
        {{}, "end$", "end$"},
        {{}, "$(A", "(A"},
        {{{"B", "x"}}, "$(A $(B) $", "(A x $"},
        {{{"A(1)", "v"}}, "$(A(1))", "v"},
        {{}, "$(Date)", "$(Date)"},
        {{}, "$($(X))", "$($(X))"},
        {{{"A", "$(A:$(A))"}}, "$(A:$(A))", "$(A:$(A))"},
    };
    MacroSystem macros;
    for (const Case& c : cases)
        EXPECT_EQ(macros.replaceMacros(c.table, c.text), c.expected) << c.text;

    const std::string date = macros.replaceMacros(system, "$(Date)|$(DateYear)-$(DateMonth)-$(DateDay)|$(Time)");
    EXPECT_TRUE(std::regex_match(date, std::regex("[1-9][0-9]? (January|February|March|April|May|June|July|August|"
                                                  "September|October|November|December) [0-9]{4}\\|"
                                                  "[0-9]{4}-[0-9]{2}-[0-9]{2}\\|[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << date;
    std::string value = "kept";
    EXPECT_FALSE(MacroSystem::dynamicMacro("date", value));
    EXPECT_EQ(value, "kept");
}

TEST(MacroSystem, HostileTextsEnd)
{
    MacroSystem macros;
    const auto start = std::chrono::steady_clock::now();

    // Each pass adds one "x" and asks for another.
    EXPECT_EQ(macros.replaceMacros({{"A", "x$(A:$)"}}, "$(A:$)"), std::string(MacroSystem::kMaxPasses, 'x') + "$(A:$)");
    // Each pass doubles the text.
    const std::string doubled = macros.replaceMacros({{"A", "$(A:$)$(A:$)"}}, "$(A:$)");
    EXPECT_GT(doubled.size(), 1000000u);
    EXPECT_LT(doubled.size(), 64u * 1024 * 1024);

    std::string open;
    for (int i = 0; i < 100000; ++i)
        open += "$(";
    EXPECT_EQ(macros.replaceMacros({}, open), std::string(100000, '('));
    std::string nested;
    while (nested.size() < 1024 * 1024)
        nested += "$($($(";
    EXPECT_EQ(macros.replaceMacros({}, nested), std::string(nested.size() / 2, '('));

    // A scan to the end of the text per reference would take minutes here.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(MacroSystem, ListTextForm)
{
    const List list = MacroSystem::stringListFromString("a\\;b;c\\\\d", false);
    EXPECT_EQ(list, (List{"a;b", "c\\d"}));
    EXPECT_EQ(MacroSystem::stringFromStringList(list), "a\\;b;c\\\\d");

    EXPECT_EQ(MacroSystem::stringListFromString("a;;b;", false), (List{"a", "b"}));
    EXPECT_EQ(MacroSystem::stringListFromString("a;;b;", true), (List{"a", "", "b", ""}));
    EXPECT_EQ(MacroSystem::stringListFromString("", false), List{});
    EXPECT_EQ(MacroSystem::stringListFromString("", true), List{""});
    EXPECT_EQ(MacroSystem::stringListFromString("\\x;end\\", false), (List{"x", "end\\"}));
    EXPECT_EQ(MacroSystem::stringFromStringList({"", "end\\"}), ";end\\\\");
}

TEST(MacroSystem, EntryForm)
{
    MacroSystem macros;
    EXPECT_EQ(macros.macrosFromStringList({"X=1=2", "Y", "X=3", " Z = z", ""}),
              (MacroTable{{"X", "3"}, {"Y", ""}, {" Z ", " z"}, {"", ""}}));
    EXPECT_EQ(macros.stringListFromMacros({{" K\t", " v"}, {"L", "="}}), (List{"K= v", "L=="}));
}

TEST(MacroSystem, GlobalMacrosLieOverSystemMacros)
{
    macroSystem = MacroSystem();
    setGlobalMacrosSetting("HostOS=linux;;K\\;x=a\\\\b");
    EXPECT_EQ(macroSystem.globalMacros(false), (MacroTable{{"HostOS", "linux"}, {"K;x", "a\\b"}}));
    EXPECT_EQ(macroSystem.replaceMacros(macroSystem.globalMacros(true), "$(HostOS)-$(HostArch)"), "linux-x86");
    EXPECT_EQ(macroSystem.globalMacro("Absent"), "");

    macroSystem.setGlobalMacro("HostOS", "");
    macroSystem.setGlobalMacro("New", "n;1");
    EXPECT_EQ(globalMacrosSetting(), "K\\;x=a\\\\b;New=n\\;1");
    EXPECT_EQ(macroSystem.globalMacro("HostOS"), "solaris");
    EXPECT_EQ(macroSystem.globalMacro("New"), "n;1");
    setGlobalMacrosSetting("");
}

TEST(MacroSystem, SystemTableAndStartUpMacros)
{
    macroSystem = MacroSystem();
    EXPECT_EQ(macroSystem.systemMacros().size(), 12u);
    EXPECT_EQ(macroSystem.systemMacro("HostEXE"), "");
    EXPECT_EQ(macroSystem.systemMacro("Nope"), std::nullopt);

    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    setenv("HOME", "/home/u", 1);
    setupDefaultSystemMacros("/opt/studio");
    EXPECT_EQ(macroSystem.replaceMacros(macroSystem.systemMacros(),
                                        "$(StudioName) $(StudioMajorVersion).$(StudioMinorVersion).$(StudioRevision)"),
              "Ambrel for MSP430 2.0.2");
    EXPECT_EQ(macroSystem.systemMacro("StudioDir"), "/opt/studio");
    EXPECT_EQ(macroSystem.systemMacro("StudioUserDir"), "/home/u/.vennic_associates_limited/lathmark_for_msp430");
    setenv("HOME", savedHome.c_str(), 1);
    macroSystem = MacroSystem();
}
