#include "macros/GlobalMacrosSetting.h"

#include <utility>

namespace {

// Function-local values, so that static initialisers in other files may use them.
std::string& storedValue()
{
    static std::string value;
    return value;
}

GlobalMacrosReader& reader()
{
    static GlobalMacrosReader read;
    return read;
}

GlobalMacrosWriter& writer()
{
    static GlobalMacrosWriter write;
    return write;
}

} // namespace

std::string globalMacrosSetting()
{
    return reader() ? reader()() : storedValue();
}

void setGlobalMacrosSetting(const std::string& listText)
{
    if (writer())
        writer()(listText);
    else
        storedValue() = listText;
}

void setGlobalMacrosSettingSource(GlobalMacrosReader read, GlobalMacrosWriter write)
{
    reader() = std::move(read);
    writer() = std::move(write);
}
