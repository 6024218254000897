#include "project/PropertyValue.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "foundation/Text.h"
#include "macros/MacroSystem.h"
#include "project/ProjectElement.h"
#include "project/ProjectSystem.h"
#include "project/PropertyText.h"

void propertyWarning(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}

PropertyValue::PropertyValue(const PropertyClass* propertyClass)
    : readOnly_(propertyClass ? propertyClass->readOnly() : true), visible_(propertyClass != nullptr),
      propertyClass_(propertyClass)
{
}

void PropertyValue::setPropertyClass(const PropertyClass* propertyClass)
{
    if (!propertyClass)
        return;
    propertyClass_ = propertyClass;
    readOnly_ = propertyClass->readOnly();
    setPropertyValue(propertyClass->defaultValue());
    visible_ = true;
}

std::string PropertyValue::valueOrDefault() const
{
    std::string value = propertyValue().value_or("");
    if (value.empty() && propertyClass_)
        return propertyClass_->defaultValue();
    return value;
}

std::vector<std::string> PropertyValue::enumerates() const
{
    return propertyClass_ ? propertyClass_->enumerates() : std::vector<std::string>();
}

void PropertyValue::setValue(const std::vector<std::string>& list)
{
    setPropertyValue(MacroSystem::stringFromStringList(list));
}

void PropertyValue::setValue(std::int32_t n)
{
    const PropertyClass::Type type = propertyClass_ ? propertyClass_->type() : PropertyClass::Custom;
    switch (type) {
    case PropertyClass::Enumeration:
    case PropertyClass::Boolean: {
        const std::vector<std::string> entries = enumerates();
        if (n >= 0 && static_cast<std::size_t>(n) < entries.size()) {
            setPropertyValue(entries[static_cast<std::size_t>(n)]);
        } else {
            propertyWarning("PropertyValue::setValue(int): Setting an enumeration to a value which isn't in its "
                            "enumerates");
            setPropertyValue(std::nullopt);
        }
        break;
    }
    case PropertyClass::IntegerHex:
        setPropertyValue(toHexString(n, propertyClass_->maximum()));
        break;
    case PropertyClass::Integer:
    case PropertyClass::IntegerRange:
        setPropertyValue(std::to_string(n));
        break;
    default:
        propertyWarning("PropertyValue::setValue(int): Setting a non-integer property");
        break;
    }
}

void PropertyValue::setValue(bool b)
{
    if (!propertyClass_ || propertyClass_->type() != PropertyClass::Boolean)
        propertyWarning("PropertyValue::setValue(int): Setting a non-Boolean property");
    setValue(static_cast<std::int32_t>(b ? 1 : 0));
}

void PropertyValue::setValue(const Rect& rect)
{
    setPropertyValue(std::to_string(rect.x) + "," + std::to_string(rect.y) + "," + std::to_string(rect.width) + "," +
                     std::to_string(rect.height));
}

void PropertyValue::setValue(const ColorValue& color)
{
    setPropertyValue(color.name());
}

void PropertyValue::setValue(const FontValue& font)
{
    setPropertyValue(font.description);
}

void PropertyValue::setToDefault()
{
    setPropertyValue(propertyClass_ ? propertyClass_->defaultValue() : std::string());
}

std::vector<std::string> PropertyValue::toStringList(bool allowEmpty) const
{
    return MacroSystem::stringListFromString(valueOrDefault(), allowEmpty);
}

std::int32_t PropertyValue::toInt() const
{
    const std::string value = valueOrDefault();
    if (propertyClass_ &&
        (propertyClass_->type() == PropertyClass::Enumeration || propertyClass_->type() == PropertyClass::Boolean)) {
        const std::vector<std::string> entries = enumerates();
        const auto found = std::find(entries.begin(), entries.end(), value);
        return found == entries.end() ? 0 : static_cast<std::int32_t>(found - entries.begin());
    }
    return readInt32(value, 0);
}

bool PropertyValue::toBool() const
{
    const std::string value = valueOrDefault();
    const std::vector<std::string> entries = enumerates();
    if (!entries.empty() && value == entries[0])
        return false;
    if (entries.size() > 1 && value == entries[1])
        return true;
    const std::string lower = lowerCase(value);
    return lower == "true" || lower == "yes" || lower == "1";
}

Rect PropertyValue::toRect() const
{
    const std::string value = valueOrDefault();
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = value.find(',', start);
        parts.push_back(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 4)
        return Rect();
    std::int32_t numbers[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<std::int64_t> number = readInteger(parts[static_cast<std::size_t>(i)], 10);
        if (!number || *number < INT32_MIN || *number > INT32_MAX)
            return Rect();
        numbers[i] = static_cast<std::int32_t>(*number);
    }
    return Rect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

ColorValue PropertyValue::toColor() const
{
    return ColorValue::fromName(valueOrDefault());
}

FontValue PropertyValue::toFont(const FontValue& fallback) const
{
    const std::string value = valueOrDefault();
    return value.empty() ? fallback : FontValue{value};
}

SimplePropertyValue::SimplePropertyValue(const PropertyClass* propertyClass) : PropertyValue(propertyClass)
{
    setReadOnly(true);
    setTransient(true);
}

SimplePropertyValue::SimplePropertyValue(const PropertyClass* propertyClass, const std::string& text)
    : SimplePropertyValue(propertyClass)
{
    value_ = text;
}

ProjectPropertyValue::ProjectPropertyValue(const PropertyClass* propertyClass, const std::string& configuration,
                                           ProjectElement* element, ProjectSystem* system)
    : PropertyValue(propertyClass), element_(element),
      configuration_(propertyClass && !propertyClass->perConfiguration() ? "Common" : configuration), system_(system)
{
    setTransient(true);
}

bool ProjectPropertyValue::inherited() const
{
    if (!element_ || !propertyClass())
        return true;
    const auto child = element_->configurations().find(configuration_);
    return child == element_->configurations().end() || !child->second->hasAttribute(propertyClass()->saveName());
}

void ProjectPropertyValue::setPropertyValue(const std::optional<std::string>& text)
{
    if (!system_ || !element_ || !propertyClass())
        return;
    if (text)
        system_->setProperty(element_, propertyClass(), configuration_, *text, false);
    else
        system_->removeProperty(element_, propertyClass(), configuration_);
}

std::optional<std::string> ProjectPropertyValue::propertyValue() const
{
    if (!element_ || !propertyClass())
        return std::nullopt;
    if (propertyClass()->type() == PropertyClass::StringList) {
        const auto child = element_->configurations().find(configuration_);
        if (child == element_->configurations().end())
            return std::nullopt;
        return child->second->attribute(propertyClass()->saveName());
    }
    if (!system_)
        return std::nullopt;
    return system_->settingFor(element_, propertyClass(), configuration_);
}

PropertyInheritanceInformation ProjectPropertyValue::inheritanceInformation() const
{
    PropertyInheritanceInformation info;
    if (system_ && element_ && propertyClass())
        system_->settingFor(element_, propertyClass(), configuration_, &info);
    return info;
}

bool ProjectPropertyValue::nonDefault() const
{
    const PropertyInheritanceInformation info = inheritanceInformation();
    return info.size() > 1 || (info.size() == 1 && info.front().element != nullptr);
}

PropertyValueList::~PropertyValueList()
{
    for (PropertyValue* value : *this)
        if (value && value->transient())
            delete value;
}

PropertyValue* PropertyValueList::find(const PropertyClass* propertyClass) const
{
    for (PropertyValue* value : *this)
        if (value && value->propertyClass() == propertyClass)
            return value;
    return nullptr;
}

void PropertyValueList::appendUnique(PropertyValue* value)
{
    if (!value || !value->propertyClass()) {
        propertyWarning("Bad property value in PropertyValueList::appendUnique");
        return;
    }
    if (!find(value->propertyClass()))
        push_back(value);
}
