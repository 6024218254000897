#include "macros/MacroSystem.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "foundation/Path.h"
#include "foundation/QTx.h"
#include "foundation/Release.h"
#include "foundation/Text.h"

namespace {

constexpr std::size_t npos = std::string::npos;

// Month names are always English, whatever the user's locale, so that expanded
// texts do not depend on the machine the tool runs on.
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

std::string twoDigits(int n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string year(const std::tm& t)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d", t.tm_year + 1900);
    return text;
}

struct DynamicMacro {
    const char* name;
    std::string (*format)(const std::tm&);
};

constexpr DynamicMacro kDynamicMacros[] = {
    {"Date", [](const std::tm& t) { return std::to_string(t.tm_mday) + " " + kMonthNames[t.tm_mon] + " " + year(t); }},
    {"DateYear", year},
    {"DateMonth", [](const std::tm& t) { return twoDigits(t.tm_mon + 1); }},
    {"DateDay", [](const std::tm& t) { return twoDigits(t.tm_mday); }},
    {"Time",
     [](const std::tm& t) { return twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min) + ":" + twoDigits(t.tm_sec); }},
    {"TimeHour", [](const std::tm& t) { return twoDigits(t.tm_hour); }},
    {"TimeMinute", [](const std::tm& t) { return twoDigits(t.tm_min); }},
    {"TimeSecond", [](const std::tm& t) { return twoDigits(t.tm_sec); }},
};

// A "$(" of a text and the ")" that brings the depth counted from its "(" back
// to 0 (npos when there is none).
struct Reference {
    std::size_t open;
    std::size_t close;
};

// Every reference of `text`, in text order, into `found`. One stack walk finds
// them all, so a pass needs no scan to the end of the text per reference; the
// memory taken is in the number of parentheses, not in the length of the text.
// `open` is scratch space.
void references(const std::string& text, std::vector<Reference>& found, std::vector<std::size_t>& open)
{
    found.clear();
    // One entry per unclosed "(" (they all count for the depth): the index of its
    // reference, or npos for a "(" that opens none.
    open.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') {
            if (i > 0 && text[i - 1] == '$') {
                open.push_back(found.size());
                found.push_back({i - 1, npos});
            } else {
                open.push_back(npos);
            }
        } else if (text[i] == ')' && !open.empty()) {
            if (open.back() != npos)
                found[open.back()].close = i;
            open.pop_back();
        }
    }
}

// One pass's result, and buffers that the next pass reuses: a long expansion
// runs many passes, and fresh buffers each time would have the heap shrink and
// grow again with every pass.
struct Pass {
    std::string result;
    bool rescan = false;
    std::vector<Reference> refs;
    std::vector<std::size_t> open;
};

// One scan over `text`, in time linear in its length. Once the result is longer
// than `limit`, the rest of the text is copied as written.
void expandOnce(const MacroTable& table, const std::string& text, std::size_t limit, Pass& pass)
{
    pass.result.clear();
    pass.result.reserve(text.size());
    pass.rescan = false;
    references(text, pass.refs, pass.open);
    const std::vector<Reference>& refs = pass.refs;
    std::size_t nextRef = 0;
    const std::size_t lastDollar = text.rfind('$');
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t ref = text.find("$(", i);
        if (ref == npos || pass.result.size() > limit) {
            pass.result.append(text, i, npos);
            break;
        }
        pass.result.append(text, i, ref - i);
        // References inside one expanded before are passed over.
        while (refs[nextRef].open < ref)
            ++nextRef;
        const std::size_t end = refs[nextRef].close;
        if (end == npos) {
            // Collecting the name ran to the end of the text: any "$" it met still
            // asks for another pass. The "$" is dropped; the "(" is plain text.
            // (lastDollar is at least ref, never npos.)
            pass.rescan = pass.rescan || lastDollar > ref + 1;
            i = ref + 1;
            continue;
        }
        const std::string_view buffer(text.data() + ref + 2, end - ref - 2);
        pass.rescan = pass.rescan || buffer.find('$') != npos;
        const std::size_t colon = buffer.find(':');
        const std::string name(buffer.substr(0, colon));
        const auto found = table.find(name);
        std::string value;
        if (found == table.end())
            pass.result.append(colon == npos ? std::string_view(text).substr(ref, end + 1 - ref)
                                             : buffer.substr(colon + 1));
        else if (MacroSystem::dynamicMacro(name, value))
            pass.result += value;
        else
            pass.result += found->second;
        i = end + 1;
    }
}

} // namespace

MacroSystem::MacroSystem()
{
    for (const DynamicMacro& dynamic : kDynamicMacros)
        system_[dynamic.name] = "";
    system_["HostArch"] = "x86";
    system_["HostOS"] = "solaris";
    system_["HostEXE"] = "";
    system_["HostDLL"] = ".so_solaris_x86";
}

std::string MacroSystem::escape(const std::string& s)
{
    std::string result;
    result.reserve(s.size());
    for (char c : s) {
        if (c == ';' || c == '\\')
            result += '\\';
        result += c;
    }
    return result;
}

std::string MacroSystem::stringFromStringList(const std::vector<std::string>& list)
{
    std::string result;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            result += ';';
        result += escape(list[i]);
    }
    return result;
}

std::vector<std::string> MacroSystem::stringListFromString(const std::string& s, bool keepEmpty)
{
    std::vector<std::string> list;
    std::string item;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            item += s[++i];
        } else if (s[i] == ';') {
            if (keepEmpty || !item.empty())
                list.push_back(item);
            item.clear();
        } else {
            item += s[i];
        }
    }
    if (keepEmpty || !item.empty())
        list.push_back(item);
    return list;
}

bool MacroSystem::dynamicMacro(const std::string& name, std::string& value)
{
    for (const DynamicMacro& dynamic : kDynamicMacros) {
        if (name == dynamic.name) {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            value = dynamic.format(local);
            return true;
        }
    }
    return false;
}

std::optional<std::string> MacroSystem::systemMacro(const std::string& name) const
{
    const auto found = system_.find(name);
    if (found == system_.end())
        return std::nullopt;
    return found->second;
}

void MacroSystem::setSystemMacro(const std::string& name, const std::string& value)
{
    system_[name] = value;
}

void MacroSystem::setSystemMacroPath(const std::string& name, const Path& path)
{
    setSystemMacro(name, path.osPathQString());
}

MacroTable MacroSystem::macrosFromStringList(const std::vector<std::string>& entries) const
{
    MacroTable table;
    for (const std::string& entry : entries) {
        const std::size_t equals = entry.find('=');
        table[entry.substr(0, equals)] = equals == npos ? "" : entry.substr(equals + 1);
    }
    return table;
}

std::vector<std::string> MacroSystem::stringListFromMacros(const MacroTable& table) const
{
    std::vector<std::string> list;
    for (const auto& [name, value] : table)
        list.push_back(trimmed(name) + "=" + value);
    return list;
}

MacroTable MacroSystem::overwriteMacros(const MacroTable& base, const MacroTable& over) const
{
    MacroTable result = base;
    for (const auto& [name, value] : over)
        result[name] = value;
    return result;
}

std::string MacroSystem::replaceMacros(const MacroTable& table, const std::string& text) const
{
    return replaceMacros2(table, text);
}

std::string MacroSystem::replaceMacros2(const MacroTable& table, std::string text) const
{
    Expansion expansion;
    return replaceMacros2(table, std::move(text), expansion);
}

// Every pass that met a "$" inside a reference asks for another one, and a text
// that is nested deeply (such as defaults within defaults) needs one pass per
// level, so the number of passes is not limited. What must end is a text that
// asks forever:
// - "$($(X))" asks without changing, and a table can send a text round a cycle
//   of forms. The pass is a function of the text alone, so a text that comes
//   back to an earlier form would cycle for ever: each new form is compared with
//   the one before it and with a checkpoint that moves to the newest form after
//   1, 2, 4, 8, ... passes, which finds every cycle within about three times the
//   passes it took to close it, with no more than two texts kept.
// - A text that keeps growing ends at kMaxGrowth: past it, the pass copies the
//   rest of the text as written and no further pass runs. Real values are short,
//   so only a self-replicating (or hostile) table gets there, and it cannot
//   exhaust memory.
// - What is left never repeats and stays within kMaxGrowth; there are finitely
//   many such texts, so it ends too, but a table can make it count through a
//   number of forms exponential in its length, and a text that grows by a byte a
//   pass takes millions of passes to reach kMaxGrowth. The work limit ends those:
//   no input makes an expansion scan more than its own length plus kMaxWork
//   bytes, and the floor of kPassWork per pass keeps a short text from running
//   millions of cheap passes.
std::string MacroSystem::replaceMacros2(const MacroTable& table, std::string text, Expansion& expansion) const
{
    expansion = Expansion();
    const std::size_t growthLimit = text.size() + kMaxGrowth;
    const std::size_t workLimit = text.size() + kMaxWork;
    std::string checkpoint = text;
    std::size_t sinceCheckpoint = 0;
    std::size_t checkpointSpan = 1;
    Pass pass;
    for (;;) {
        if (text.find("$(") == npos)
            return text;
        const std::size_t work = std::max(text.size(), kPassWork);
        if (work > workLimit - expansion.work) {
            expansion.end = Expansion::End::WorkSpent;
            return text;
        }
        expansion.work += work;
        ++expansion.passes;
        expandOnce(table, text, growthLimit, pass);
        if (!pass.rescan)
            return std::move(pass.result);
        if (pass.result.size() > growthLimit) {
            expansion.end = Expansion::End::Grown;
            return std::move(pass.result);
        }
        if (pass.result == text || pass.result == checkpoint) {
            expansion.end = Expansion::End::Repeated;
            return std::move(pass.result);
        }
        text.swap(pass.result); // the old text's buffer takes the next result
        if (++sinceCheckpoint == checkpointSpan) {
            checkpoint = text;
            sinceCheckpoint = 0;
            checkpointSpan *= 2;
        }
    }
}

MacroTable MacroSystem::globalMacros(bool includeSystem) const
{
    const MacroTable start = includeSystem ? system_ : MacroTable();
    return overwriteMacros(start, macrosFromStringList(stringListFromString(globalMacrosSetting_.value(), false)));
}

std::string MacroSystem::globalMacro(const std::string& name) const
{
    const MacroTable table = globalMacros(true);
    const auto found = table.find(name);
    return found == table.end() ? "" : found->second;
}

void MacroSystem::setGlobalMacro(const std::string& name, const std::string& value)
{
    MacroTable table = macrosFromStringList(stringListFromString(globalMacrosSetting_.value(), false));
    if (value.empty())
        table.erase(name);
    else
        table[name] = value;
    globalMacrosSetting_.setValue(stringFromStringList(stringListFromMacros(table)));
}

void setupDefaultSystemMacros(MacroSystem& macros, const std::string& rootDirectory)
{
    macros.setSystemMacro("StudioMajorVersion", std::to_string(Get_RELEASE_MAJOR_NUMBER()));
    macros.setSystemMacro("StudioMinorVersion", std::to_string(Get_RELEASE_MINOR_NUMBER()));
    macros.setSystemMacro("StudioRevision", std::to_string(Get_RELEASE_REVISION_NUMBER()));
    macros.setSystemMacro("StudioName", Get_STUDIO_BRANDING());
    macros.setSystemMacroPath("StudioDir", Path(rootDirectory));
    macros.setSystemMacroPath("StudioUserDir", Path(studioLocalDataDir()));
}

std::string studioLocalDataDir()
{
    return QTx::userLocalAppDataDirectory(std::string(Get_OWNER()) + "/" + Get_PRODUCT_GENERIC_NAME());
}
