// Reads arbitrary text in the macro list form and checks the round trips the
// list and entry forms promise. The bytes up to the first NUL are one list, the
// rest a second one laid over it. Any crash, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "macros/MacroSystem.h"
#include "scratch.h"

namespace {

using List = std::vector<std::string>;

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The list form must carry any items, empty ones and separators included.
void checkListForm(const std::string& text)
{
    const List all = MacroSystem::stringListFromString(text, true);
    fuzz::check(!all.empty(), "keeping empty items gave no item at all");
    fuzz::check(MacroSystem::stringListFromString(MacroSystem::stringFromStringList(all), true) == all,
          "list round trip with empty items");
    for (const std::string& item : all)
        fuzz::check(MacroSystem::stringListFromString(MacroSystem::escape(item), true) == List{item},
              "an escaped item does not read back as itself");

    const List nonEmpty = MacroSystem::stringListFromString(text, false);
    for (const std::string& item : nonEmpty)
        fuzz::check(!item.empty(), "an empty item was kept");
    fuzz::check(MacroSystem::stringListFromString(MacroSystem::stringFromStringList(nonEmpty), false) == nonEmpty,
          "list round trip without empty items");
}

void checkEntryForm(const MacroSystem& macros, const MacroTable& table)
{
    const List entries = macros.stringListFromMacros(table);
    fuzz::check(entries.size() == table.size(), "not one entry per macro");
    bool trimmed = true;
    for (const auto& entry : table) {
        const std::string& name = entry.first;
        if (!name.empty() && (isWhiteSpace(name.front()) || isWhiteSpace(name.back())))
            trimmed = false;
    }
    // Names are trimmed on the way out, so only names without surrounding blanks come back.
    if (trimmed)
        fuzz::check(macros.macrosFromStringList(entries) == table, "entry round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MacroSystem macros;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string first = input.substr(0, split);
    const std::string second = split == std::string::npos ? std::string() : input.substr(split + 1);

    checkListForm(first);
    checkListForm(second);

    const MacroTable base = macros.macrosFromStringList(MacroSystem::stringListFromString(first, false));
    const MacroTable over = macros.macrosFromStringList(MacroSystem::stringListFromString(second, false));
    checkEntryForm(macros, base);
    checkEntryForm(macros, over);

    const MacroTable merged = macros.overwriteMacros(base, over);
    for (const auto& [name, value] : over)
        fuzz::check(merged.count(name) == 1 && merged.at(name) == value, "an overriding macro is missing");
    std::size_t kept = 0;
    for (const auto& [name, value] : base) {
        if (over.count(name) == 0) {
            fuzz::check(merged.count(name) == 1 && merged.at(name) == value, "a base macro is missing");
            ++kept;
        }
    }
    fuzz::check(merged.size() == over.size() + kept, "merged table holds names of neither");
    return 0;
}
