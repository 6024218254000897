#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"

using List = std::vector<std::string>;

TEST(MacroSystem, ExpandsReferences)
{
    const MacroTable system = MacroSystem().systemMacros();
    struct Case {
        MacroTable table;
        std::string text;
        std::string expected;
    } cases[] = {
        {system, "$(Unknown)", "$(Unknown)"},
        {system, "$(Unknown:fallback)", "fallback"},
        {system, "$(Unknown:a:b)", "a:b"},
        {{{"B", "x"}}, "$(A:$(B))", "x"},
        {{{"A", "y"}, {"B", "x"}}, "$(A:$(B))", "y"},
        {{{"A", "$(B)"}, {"B", "x"}}, "<$(A)>", "<$(B)>"},
        {{}, "cost $5", "cost $5"},
        {{}, "$(A", "(A"},
        {{{"B", "x"}}, "$(A $(B) $", "(A x $"},
        {{{"A(1)", "v"}}, "$(A(1))", "v"},
        {{}, "$(Date)", "$(Date)"},
        {{}, "$($(X))", "$($(X))"},
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

using End = MacroSystem::Expansion::End;

// Defaults nested within defaults take one pass per level, however many.
TEST(MacroSystem, DeepDefaultsExpandFully)
{
    MacroSystem macros;
    for (int depth : {1, 70, 1000}) {
        std::string text = "end";
        for (int level = depth; level >= 1; --level)
            text = "$(A" + std::to_string(level) + ":" + text + ")";
        MacroSystem::Expansion expansion;
        EXPECT_EQ(macros.replaceMacros2({}, text, expansion), "end");
        EXPECT_EQ(expansion.end, End::Settled);
        EXPECT_EQ(expansion.passes, static_cast<std::size_t>(depth));
        EXPECT_EQ(macros.replaceMacros2({{"A" + std::to_string(depth), "found"}}, text, expansion), "found");
    }
}

// Texts whose expansion would never end stop by a rule, each after a bounded
// amount of work.
TEST(MacroSystem, HostileTextsEnd)
{
    MacroSystem macros;
    MacroSystem::Expansion expansion;

    // Forms that recur: unchanged at once, or round cycles of 2 and 5 forms.
    EXPECT_EQ(macros.replaceMacros2({}, "$($(X))", expansion), "$($(X))");
    EXPECT_EQ(expansion.end, End::Repeated);
    EXPECT_EQ(expansion.passes, 1u);
    EXPECT_EQ(macros.replaceMacros2({{"A", "$(B:$)"}, {"B", "$(A:$)"}}, "$(A:$)", expansion), "$(B:$)");
    EXPECT_EQ(expansion.end, End::Repeated);
    EXPECT_LE(expansion.passes, 3u);
    MacroTable ring;
    for (int i = 0; i < 5; ++i)
        ring["R" + std::to_string(i)] = "$(R" + std::to_string((i + 1) % 5) + ":$)";
    // Ten passes of lead-in before the ring is entered.
    std::string text = "$(R0:$)";
    for (int i = 0; i < 10; ++i)
        text = "$(L:" + text + ")";
    const std::string result = macros.replaceMacros2(ring, text, expansion);
    EXPECT_TRUE(result.size() == 7 && result.starts_with("$(R")) << result;
    EXPECT_EQ(expansion.end, End::Repeated);
    EXPECT_LE(expansion.passes, 3u * (10 + 5));

    // Each pass adds one "x": the work limit ends it, long before the growth
    // limit would, and past any fixed number of passes a real text needs.
    const std::string slow = macros.replaceMacros2({{"A", "x$(A:$)"}}, "$(A:$)", expansion);
    EXPECT_EQ(expansion.end, End::WorkSpent);
    EXPECT_EQ(slow, std::string(expansion.passes, 'x') + "$(A:$)");
    EXPECT_GT(expansion.passes, 5000u);
    EXPECT_LE(expansion.work, MacroSystem::kMaxWork + 6);
    EXPECT_GT(expansion.work + 2 * expansion.passes + 6, MacroSystem::kMaxWork);

    // Each pass doubles the text: the growth limit ends it after a few passes.
    const std::string doubled = macros.replaceMacros2({{"A", "$(A:$)$(A:$)"}}, "$(A:$)", expansion);
    EXPECT_EQ(expansion.end, End::Grown);
    EXPECT_LE(expansion.passes, 22u);
    EXPECT_GT(doubled.size(), MacroSystem::kMaxGrowth);
    EXPECT_LE(doubled.size(), 2 * MacroSystem::kMaxGrowth + 6);
    EXPECT_LE(expansion.work, 2 * MacroSystem::kMaxGrowth);

    // Unterminated references: each pass is linear in the text; these take one pass.
    std::string open;
    for (int i = 0; i < 100000; ++i)
        open += "$(";
    EXPECT_EQ(macros.replaceMacros2({}, open, expansion), std::string(100000, '('));
    EXPECT_EQ(expansion.passes, 1u);
    std::string nested;
    while (nested.size() < 1024 * 1024)
        nested += "$($($(";
    EXPECT_EQ(macros.replaceMacros2({}, nested, expansion), std::string(nested.size() / 2, '('));
    EXPECT_EQ(expansion.passes, 1u);
}

TEST(MacroSystem, ListAndEntryTextForms)
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

    // Entries: the last of a name wins; spaces are kept in, trimmed out.
    MacroSystem macros;
    EXPECT_EQ(macros.macrosFromStringList({"X=1=2", "Y", "X=3", " Z = z", ""}),
              (MacroTable{{"X", "3"}, {"Y", ""}, {" Z ", " z"}, {"", ""}}));
    EXPECT_EQ(macros.stringListFromMacros({{" K\t", " v"}, {"L", "="}}), (List{"K= v", "L=="}));
}

TEST(MacroSystem, GlobalMacrosLieOverSystemMacros)
{
    MacroSystem macroSystem;
    macroSystem.globalMacrosSetting().setValue("HostOS=linux;;K\\;x=a\\\\b");
    EXPECT_EQ(macroSystem.globalMacros(false), (MacroTable{{"HostOS", "linux"}, {"K;x", "a\\b"}}));
    EXPECT_EQ(macroSystem.replaceMacros(macroSystem.globalMacros(true), "$(HostOS)-$(HostArch)"), "linux-x86");
    EXPECT_EQ(macroSystem.globalMacro("Absent"), "");

    macroSystem.setGlobalMacro("HostOS", "");
    macroSystem.setGlobalMacro("New", "n;1");
    EXPECT_EQ(macroSystem.globalMacrosSetting().value(), "K\\;x=a\\\\b;New=n\\;1");
    EXPECT_EQ(macroSystem.globalMacro("HostOS"), "solaris");
    EXPECT_EQ(macroSystem.globalMacro("New"), "n;1");
}
