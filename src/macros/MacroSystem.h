#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "macros/GlobalMacrosSetting.h"

class Path;

// A macro table: name to value, case-sensitive, in ascending byte order of name.
using MacroTable = std::map<std::string, std::string>;

// `$(Name)` expansion, the text forms macro sets are stored in, the table of
// system macros and the hook through which the global macros are read.
class MacroSystem {
public:
    // Expansion runs passes over the text while a pass asks for another one. It
    // also stops when the text comes back to a form it had before, as it would
    // only cycle (a pass that changes nothing stops at once, a longer cycle within
    // three times the passes it took to close it); when it has grown by more than
    // kMaxGrowth bytes over the text first given; or before a pass that would
    // bring the work of all passes over the first text's length plus kMaxWork
    // bytes, a pass's work being the length of the text it scans, at least
    // kPassWork bytes. There is no limit on the number of passes as such.
    static constexpr std::size_t kMaxGrowth = 1024 * 1024;
    static constexpr std::size_t kMaxWork = 16 * kMaxGrowth;
    static constexpr std::size_t kPassWork = 1024;

    // How one expansion went.
    struct Expansion {
        enum class End {
            Settled,   // no pass asked for another one: the complete expansion
            Repeated,  // the text came back to an earlier form
            Grown,     // the text grew by more than kMaxGrowth
            WorkSpent, // the next pass would have gone over the work limit
        };
        End end = End::Settled;
        std::size_t passes = 0;
        std::size_t work = 0; // of all passes, as counted against kMaxWork
    };

    // The system table with the date and time placeholders and the host entries.
    MacroSystem();

    // `s` with a "\" before every ";" and every "\".
    static std::string escape(const std::string& s);
    // The escaped items joined with ";".
    static std::string stringFromStringList(const std::vector<std::string>& list);
    // Reads the ";"-separated list form, "\" taking the next character literally;
    // empty items are kept only with `keepEmpty`.
    static std::vector<std::string> stringListFromString(const std::string& s, bool keepEmpty);
    // True, with `value` set from the local date or time, for the eight date and time names.
    static bool dynamicMacro(const std::string& name, std::string& value);

    MacroTable systemMacros() const { return system_; }
    // Null when the name is not in the system table.
    std::optional<std::string> systemMacro(const std::string& name) const;
    void setSystemMacro(const std::string& name, const std::string& value);
    void setSystemMacroPath(const std::string& name, const Path& path);

    // "name=value" entries in list order, a later name replacing an earlier one;
    // an entry without "=" is a name with an empty value. Nothing is trimmed.
    MacroTable macrosFromStringList(const std::vector<std::string>& entries) const;
    // One "name=value" entry per macro, the name trimmed of white space.
    std::vector<std::string> stringListFromMacros(const MacroTable& table) const;
    // `base` with every entry of `over` inserted, replacing same names.
    MacroTable overwriteMacros(const MacroTable& base, const MacroTable& over) const;

    // Expands the `$(Name)` and `$(Name:default)` references of `text` from `table`.
    std::string replaceMacros(const MacroTable& table, const std::string& text) const;
    std::string replaceMacros2(const MacroTable& table, std::string text) const;
    // replaceMacros2, telling how the expansion went in `expansion`.
    std::string replaceMacros2(const MacroTable& table, std::string text, Expansion& expansion) const;

    // The system macros (when `includeSystem`) with the user's global macros laid over them.
    MacroTable globalMacros(bool includeSystem) const;
    // A global macro's value, empty when absent.
    std::string globalMacro(const std::string& name) const;
    // Sets (non-empty value) or removes (empty value) a global macro.
    void setGlobalMacro(const std::string& name, const std::string& value);

    // Where the global macros setting is kept; the environment installs itself as its source.
    GlobalMacrosSetting& globalMacrosSetting() { return globalMacrosSetting_; }

private:
    MacroTable system_;
    GlobalMacrosSetting globalMacrosSetting_;
};

// Adds the start-up system macros to `macros`: the release numbers and name,
// "StudioDir" (`rootDirectory`) and "StudioUserDir" (studioLocalDataDir()).
void setupDefaultSystemMacros(MacroSystem& macros, const std::string& rootDirectory);
// The per-user data directory of the product under $HOME.
std::string studioLocalDataDir();
