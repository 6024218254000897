// Expands arbitrary text with a macro table taken from the input: the bytes up
// to the first NUL are the table in the list text form ("name=value;..."), the
// rest is the text. Any crash, hang, leak, sanitizer report or abort is a bug.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "macros/MacroSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MacroSystem macros;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string tableText = split == std::string::npos ? std::string() : input.substr(0, split);
    const std::string text = split == std::string::npos ? input : input.substr(split + 1);

    const MacroTable table = macros.macrosFromStringList(MacroSystem::stringListFromString(tableText, false));
    const std::string expanded = macros.replaceMacros(table, text);
    // Only references change anything.
    if (text.find("$(") == std::string::npos && expanded != text) {
        std::fprintf(stderr, "macro_expansion_fuzzer: a text without references changed\n");
        std::abort();
    }
    // The system table below the input's, with its date and time names.
    const MacroTable layered = macros.overwriteMacros(macros.systemMacros(), table);
    volatile std::size_t length = macros.replaceMacros2(layered, text).size();
    (void)length;
    return 0;
}
