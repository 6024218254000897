#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "project/PropertyClass.h"

// One row of a property table, written the way the toolchain's tables read:
//
//   save name, type, title, default, values, notes
//
// values: the Enumeration entries separated by ", ", or "minimum to maximum"
//         for an IntegerRange; empty otherwise.
// notes:  any of "read-only", "Common-only", "not registered", "suffix TEXT"
//         and "special value TEXT", separated by "; ".
// A Boolean row's default is "No" or "Yes"; its values are always those two.
struct PropertyRow {
    const char* saveName;
    PropertyClass::Type type;
    const char* title;
    const char* defaultValue = "";
    const char* values = "";
    const char* notes = "";
};

// The rows shown on one page, in one group.
struct PropertySheet {
    const char* page;
    const char* group;
    std::initializer_list<PropertyRow> rows;
};

// Property definitions owned together, in the order they were defined.
class PropertySet {
public:
    // Defines one class per row, sheet by sheet, in order, after those defined before.
    void define(std::initializer_list<PropertySheet> sheets);
    // Destroys `propertyClass` when it is one of the set's.
    void remove(const PropertyClass* propertyClass);

    // The first class with that save name (and, when given, that group), or null.
    PropertyClass* find(const std::string& saveName, const char* group = nullptr) const;
    // Every class in order, with whether it belongs in the build registry.
    struct Entry {
        std::unique_ptr<PropertyClass> propertyClass;
        bool registered;
    };
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};
