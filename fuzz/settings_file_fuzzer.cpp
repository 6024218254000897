// Reads arbitrary bytes as a settings file, changes a few entries, saves, and
// reads the saved file back; a second writer then changes the file while the
// first has a change of its own, and both must end up in it.
//
// What must hold: whatever was read saves to a file that reads back with the
// same names, and every value free of "&", carriage returns and other control
// characters comes back unchanged. Values with "&" may not: the value is read
// as its element's content written out as XML with the entities then decoded,
// so text that itself looks like an entity ("&amp;lt;") loses one level of
// escaping on every save and read.
#include <cstdint>
#include <string>

#include "environment/Settings.h"
#include "scratch.h"

namespace {

bool plain(const std::string& value)
{
    for (const char c : value)
        if (c == '&' || (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n'))
            return false;
    return true;
}

std::string valueOf(const SettingsTable& entries, const std::string& name)
{
    const auto it = entries.find(name);
    return it != entries.end() ? it->second.value : "(missing)";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::clearScratchDir();
    const std::string file = std::string(fuzz::scratchDir()) + "/settings.xml";
    fuzz::writeInput(file.c_str(), data, size);

    Settings settings;
    settings.setPath(file);
    if (!settings.entries().empty()) {
        const std::string first = settings.entries().begin()->first;
        settings.removeEntry(first);
        settings.writeEntry(settings.entries().rbegin()->first, "changed");
    }
    const std::string added = "x & <y>\n'z' \xC2\xB7";
    settings.writeEntry("fuzz/added", added);
    fuzz::check(settings.save(), "a settings file can be saved");

    SettingsTable reread;
    fuzz::check(Settings::load(file, reread), "a saved settings file reads back");
    fuzz::check(reread.size() == settings.entries().size(), "the saved entries read back, no more");
    for (const auto& [name, setting] : settings.entries()) {
        fuzz::check(reread.count(name) == 1, "every saved name reads back");
        if (plain(setting.value))
            fuzz::check(reread.at(name).value == setting.value, "a value without entities reads back unchanged");
    }
    fuzz::check(valueOf(reread, "fuzz/added") == added, "a written value with special characters reads back");

    {
        Settings other;
        other.setPath(file);
        other.writeEntry("fuzz/other", "o");
    }
    settings.writeEntry("fuzz/mine", "m");
    settings.sync();
    fuzz::check(Settings::load(file, reread), "a merged settings file reads back");
    fuzz::check(valueOf(reread, "fuzz/other") == "o" && valueOf(reread, "fuzz/mine") == "m",
                "both writers' changes are in the merged file");
    return 0;
}
