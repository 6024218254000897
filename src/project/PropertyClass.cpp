#include "project/PropertyClass.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "foundation/Text.h"
#include "project/PropertyText.h"
#include "xml/XML.h"

namespace {

constexpr std::array<const char*, 15> kTypeNames = {
    "Boolean", "Integer",     "IntegerHex",  "IntegerRange", "String", "FileName",       "ProjFileName", "StringList",
    "DirPath", "DirPathList", "Enumeration", "Color",        "Font",   "FixedPitchFont", "Custom",
};

std::string attributeText(const XMLElement* element, const char* name)
{
    const char* value = element->attribute(name);
    return value ? value : "";
}

// The bounds of a definition element are unsigned decimal text; a value above
// the signed range wraps, as a 32-bit store of it would.
std::int32_t unsignedBound(const XMLElement* element, const char* name)
{
    const std::optional<std::int64_t> value = readInteger(attributeText(element, name), 10, false);
    if (!value || *value > std::numeric_limits<std::uint32_t>::max())
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

ColorValue ColorValue::fromName(const std::string& name)
{
    if (name.size() != 7 || name[0] != '#')
        return ColorValue();
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigit(name[1 + 2 * i]);
        const int low = hexDigit(name[2 + 2 * i]);
        if (high < 0 || low < 0)
            return ColorValue();
        channels[i] = high * 16 + low;
    }
    return ColorValue(static_cast<std::uint8_t>(channels[0]), static_cast<std::uint8_t>(channels[1]),
                      static_cast<std::uint8_t>(channels[2]));
}

std::string ColorValue::name() const
{
    if (!valid)
        return "Automatic";
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", red, green, blue);
    return text;
}

PropertyClass::PropertyClass(const std::string& name, Type type, const std::string& page, const std::string& group,
                             const std::string& shortDescription, const std::string& longDescription,
                             const std::string& defaultValue)
    : saveName_(name), group_(group), shortDescription_(shortDescription), longDescription_(longDescription),
      defaultValue_(defaultValue), page_(page), type_(type)
{
    if (type == Boolean && defaultValue_.empty())
        defaultValue_ = "No";
}

PropertyClass::PropertyClass(const std::string& name, Type type, const std::vector<std::string>& enumerates,
                             const std::string& page, const std::string& group, const std::string& shortDescription,
                             const std::string& longDescription, const std::string& defaultValue)
    : saveName_(name), group_(group), shortDescription_(shortDescription), longDescription_(longDescription),
      defaultValue_(defaultValue), page_(page), type_(type), enumerates_(enumerates)
{
}

PropertyClass::PropertyClass(const std::string& name, Type type, std::int32_t minimum, std::int32_t maximum,
                             const std::string& page, const std::string& group, const std::string& shortDescription,
                             const std::string& longDescription, std::int32_t defaultValue)
    : saveName_(name), group_(group), shortDescription_(shortDescription), longDescription_(longDescription),
      defaultValue_(type == IntegerHex ? toHexString(defaultValue, maximum) : std::to_string(defaultValue)),
      page_(page), type_(type), minimum_(minimum), maximum_(maximum)
{
}

PropertyClass::PropertyClass(const std::string& name, const std::string& page, const std::string& group,
                             const std::string& shortDescription, const std::string& longDescription, bool defaultValue)
    : saveName_(name), group_(group), shortDescription_(shortDescription), longDescription_(longDescription),
      defaultValue_(defaultValue ? "Yes" : "No"), page_(page), type_(Boolean), enumerates_({"No", "Yes"})
{
}

PropertyClass::PropertyClass(const std::string& name, const std::string& page, const std::string& group,
                             const std::string& shortDescription, const std::string& longDescription,
                             const ColorValue& defaultValue)
    : saveName_(name), group_(group), shortDescription_(shortDescription), longDescription_(longDescription),
      defaultValue_(defaultValue.name()), page_(page), type_(Color)
{
}

PropertyClass::PropertyClass(const XMLElement* element)
    : saveName_(attributeText(element, "name")), group_(attributeText(element, "group")),
      shortDescription_(attributeText(element, "short")), longDescription_(attributeText(element, "long")),
      defaultValue_(attributeText(element, "default")), specialValueText_(attributeText(element, "specialvalue")),
      type_(typeFromName(attributeText(element, "type")).value_or(Boolean)),
      enumerates_(splitNonEmpty(attributeText(element, "enumeration"), ";")),
      minimum_(unsignedBound(element, "minimum")), maximum_(unsignedBound(element, "maximum"))
{
}

PropertyClass::PropertyClass(const std::string& name, Type type, const StringProvider* strings)
    : saveName_(name), type_(type)
{
    readFromStringProvider(strings, Bounds::Read);
}

PropertyClass::PropertyClass(const std::string& name, Type type, std::int32_t minimum, std::int32_t maximum,
                             const StringProvider* strings)
    : saveName_(name), type_(type), minimum_(minimum), maximum_(maximum)
{
    readFromStringProvider(strings, Bounds::Keep);
}

void PropertyClass::readFromStringProvider(const StringProvider* strings, Bounds bounds)
{
    if (!strings)
        return;
    auto text = [&](const char* key) { return strings->message(saveName_ + key).value_or(""); };
    page_ = text(".page");
    group_ = text(".group");
    shortDescription_ = text(".short");
    longDescription_ = text(".long");
    defaultValue_ = text(".default");
    enumerates_ = splitNonEmpty(text(".enumerates"), ";");
    suffix_ = text(".suffix");
    if (bounds == Bounds::Read) {
        minimum_ = readInt32(text(".minimum"), 10);
        maximum_ = readInt32(text(".maximum"), 10);
    }
}

std::optional<PropertyClass::Type> PropertyClass::typeFromName(const std::string& name)
{
    const auto found = std::find(kTypeNames.begin(), kTypeNames.end(), name);
    if (found == kTypeNames.end())
        return std::nullopt;
    return static_cast<Type>(found - kTypeNames.begin());
}

void PropertyClass::setEnumerates(const std::vector<std::string>& list)
{
    enumerates_ = list;
    enumeratesSource_ = nullptr;
}

void PropertyClass::setEnumeratesSource(std::function<std::vector<std::string>()> source)
{
    enumerates_.clear();
    enumeratesSource_ = std::move(source);
}

std::vector<std::string> PropertyClass::enumerates() const
{
    if (enumeratesSource_) {
        enumerates_ = enumeratesSource_();
        enumeratesSource_ = nullptr;
    }
    if (type_ == Boolean && enumerates_.empty())
        return {"No", "Yes"};
    return enumerates_;
}

// A negative value is written as its 32-bit two's complement, the form a
// register would show.
std::string toHexString(std::int32_t value, std::int32_t maximum)
{
    // One digit per four bits that `maximum` needs, from 1 up to 8.
    int digits = 1;
    while (digits < 8 && maximum > (std::int64_t{1} << (4 * digits)) - 1)
        ++digits;
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return text;
}

void PropertyClassList::appendUnique(const PropertyClass* propertyClass)
{
    if (std::find(begin(), end(), propertyClass) == end())
        push_back(propertyClass);
}
