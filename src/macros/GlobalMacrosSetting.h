#pragma once

#include <string>

// The stored value of the user's "Environment/Macros/Global Macros" setting: the
// global macros as "name=value" entries in the list text form. Empty until set.
std::string globalMacrosSetting();
void setGlobalMacrosSetting(const std::string& listText);
