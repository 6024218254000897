#pragma once

#include <string>
#include <vector>

class ProjectElement;

// One place where a lookup found a value: the text, the configuration that held
// it (empty for the default) and the element holding that configuration (null
// for the default).
struct PropertyInheritanceItem {
    std::string value;
    std::string configuration;
    ProjectElement* element = nullptr;
};

// The places a lookup found values, most specific first.
class PropertyInheritanceInformation : public std::vector<PropertyInheritanceItem> {};
