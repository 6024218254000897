#include "macros/GlobalMacrosSetting.h"

namespace {

// A function-local value, so that static initialisers in other files may read it.
std::string& storedValue()
{
    static std::string value;
    return value;
}

} // namespace

std::string globalMacrosSetting()
{
    return storedValue();
}

void setGlobalMacrosSetting(const std::string& listText)
{
    storedValue() = listText;
}
