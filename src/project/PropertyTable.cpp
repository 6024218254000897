#include "project/PropertyTable.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// The pieces of `text` between occurrences of `separator`; none for the empty text.
std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        pieces.push_back(text.substr(start, end - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

bool startsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

std::unique_ptr<PropertyClass> makeClass(const char* page, const char* group, const PropertyRow& row,
                                         bool& registered)
{
    // The one-line descriptions belong to the options dialogs, which the tool
    // does not have; the title stands in for them.
    const char* description = row.title;
    std::unique_ptr<PropertyClass> made;
    if (row.type == PropertyClass::IntegerRange) {
        const std::vector<std::string> bounds = split(row.values, " to ");
        made = std::make_unique<PropertyClass>(row.saveName, row.type, std::atoi(bounds.at(0).c_str()),
                                               std::atoi(bounds.at(1).c_str()), page, group, row.title, description,
                                               std::atoi(row.defaultValue));
    } else if (row.type == PropertyClass::Enumeration) {
        made = std::make_unique<PropertyClass>(row.saveName, row.type, split(row.values, ", "), page, group,
                                               row.title, description, row.defaultValue);
    } else {
        made = std::make_unique<PropertyClass>(row.saveName, row.type, page, group, row.title, description,
                                               row.defaultValue);
    }
    registered = true;
    for (const std::string& note : split(row.notes, "; ")) {
        if (note == "read-only")
            made->setReadOnly(true);
        else if (note == "Common-only")
            made->setPerConfiguration(false);
        else if (note == "not registered")
            registered = false;
        else if (startsWith(note, "suffix "))
            made->setSuffix(note.substr(std::strlen("suffix ")));
        else if (startsWith(note, "special value "))
            made->setSpecialValueText(note.substr(std::strlen("special value ")));
        else
            // A mistyped note in a table: a programming error, caught by any test run.
            throw std::logic_error("unknown note \"" + note + "\" for property " + row.saveName);
    }
    return made;
}

} // namespace

void PropertySet::define(std::initializer_list<PropertySheet> sheets)
{
    for (const PropertySheet& sheet : sheets) {
        for (const PropertyRow& row : sheet.rows) {
            bool registered = true;
            std::unique_ptr<PropertyClass> made = makeClass(sheet.page, sheet.group, row, registered);
            entries_.push_back({std::move(made), registered});
        }
    }
}

void PropertySet::remove(const PropertyClass* propertyClass)
{
    std::erase_if(entries_, [&](const Entry& entry) { return entry.propertyClass.get() == propertyClass; });
}

PropertyClass* PropertySet::find(const std::string& saveName, const char* group) const
{
    for (const Entry& entry : entries_) {
        if (entry.propertyClass->saveName() == saveName && (!group || entry.propertyClass->group() == group))
            return entry.propertyClass.get();
    }
    return nullptr;
}
