#pragma once

#include <functional>
#include <string>

using GlobalMacrosReader = std::function<std::string()>;
using GlobalMacrosWriter = std::function<void(const std::string&)>;

// The user's "Environment/Macros/Global Macros" setting: the global macros as
// "name=value" entries in the list text form. The macro system reads and writes
// it here; the environment settings, which live above this floor, install
// themselves as its source. Without a source the text is kept here, empty until set.
class GlobalMacrosSetting {
public:
    std::string value() const;
    void setValue(const std::string& listText);
    // Reads and writes go to `read` and `write` from now on; an empty function
    // puts that direction back on the kept text.
    void setSource(GlobalMacrosReader read, GlobalMacrosWriter write);

private:
    std::string kept_;
    GlobalMacrosReader read_;
    GlobalMacrosWriter write_;
};
