#include "macros/GlobalMacrosSetting.h"

#include <utility>

std::string GlobalMacrosSetting::value() const
{
    return read_ ? read_() : kept_;
}

void GlobalMacrosSetting::setValue(const std::string& listText)
{
    if (write_)
        write_(listText);
    else
        kept_ = listText;
}

void GlobalMacrosSetting::setSource(GlobalMacrosReader read, GlobalMacrosWriter write)
{
    read_ = std::move(read);
    write_ = std::move(write);
}
