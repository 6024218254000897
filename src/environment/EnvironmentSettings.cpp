#include "environment/EnvironmentSettings.h"

#include <algorithm>

#include "environment/Settings.h"
#include "macros/MacroSystem.h"

// Signals that nobody listens to in the tool (a setting or value changed) are not built.

EnvironmentPropertyValue::EnvironmentPropertyValue(const PropertyClass* property, EnvironmentSettings& environment)
    : PropertyValue(property), environment_(environment)
{
    if (property != nullptr && !property->page().empty() && property->page() != "(Internal)")
        environment_.registerProperty(property->page(), this);
}

EnvironmentPropertyValue::~EnvironmentPropertyValue()
{
    environment_.unregisterProperty(this);
}

void EnvironmentPropertyValue::setPropertyValue(const std::optional<std::string>& text)
{
    // A null text and the empty text are the same value here, as in the file.
    if (text.value_or("") == toString())
        return;
    cachedValue_ = text;
    environment_.writeSetting(propertyClass(), text.value_or(""));
}

std::optional<std::string> EnvironmentPropertyValue::propertyValue() const
{
    if (!loaded_) {
        cachedValue_ = environment_.readSetting(propertyClass());
        loaded_ = true;
    }
    return cachedValue_;
}

void EnvironmentPropertyValue::removePropertyValue()
{
    loaded_ = false;
    environment_.removeSetting(propertyClass());
}

EnvironmentSettings::EnvironmentSettings(MacroSystem& macros)
    : macros_(macros), productSettings_(std::make_unique<Settings>())
{
    productSettings_->setPath(Path(studioLocalDataDir() + "/settings.xml"));
}

EnvironmentSettings::~EnvironmentSettings()
{
    if (globalMacros_ != nullptr)
        macros_.globalMacrosSetting().setSource(nullptr, nullptr);
}

std::string EnvironmentSettings::readSetting(const PropertyClass* property) const
{
    return property != nullptr ? productSettings_->readEntry(property->saveName(), property->defaultValue()) : "";
}

bool EnvironmentSettings::writeSetting(const PropertyClass* property, const std::string& value)
{
    return property != nullptr && productSettings_->writeEntry(property->saveName(), value);
}

bool EnvironmentSettings::removeSetting(const PropertyClass* property) const
{
    return property != nullptr && productSettings_->removeEntry(property->saveName());
}

bool EnvironmentSettings::saveSettings()
{
    productSettings_->sync();
    return true;
}

void EnvironmentSettings::leaveSettingsFileAsRead()
{
    // A settings object without a file name saves nothing.
    productSettings_->setPath(Path());
}

PropertyValue* EnvironmentSettings::findProperty(const std::string& name) const
{
    const auto it = globalProperties_.find(name);
    return it != globalProperties_.end() ? it->second : nullptr;
}

void EnvironmentSettings::registerProperty(const std::string& page, PropertyValue* value)
{
    if (value == nullptr || value->propertyClass() == nullptr)
        return;
    std::unique_ptr<PropertyValueList>& list = globalPropertySettings_[page];
    if (!list)
        list = std::make_unique<PropertyValueList>(false);
    if (std::find(list->begin(), list->end(), value) == list->end())
        list->push_back(value);
    globalProperties_[value->propertyClass()->saveName()] = value;
}

void EnvironmentSettings::unregisterProperty(const PropertyValue* value)
{
    std::erase_if(globalProperties_, [value](const auto& entry) { return entry.second == value; });
    for (auto& [page, list] : globalPropertySettings_)
        std::erase(*list, value);
}

EnvironmentPropertyValue* EnvironmentSettings::property(const std::string& name) const
{
    for (const auto& value : values_)
        if (value->propertyClass()->saveName() == name)
            return value.get();
    return nullptr;
}

EnvironmentPropertyValue* EnvironmentSettings::create(std::unique_ptr<PropertyClass> propertyClass)
{
    classes_.push_back(std::move(propertyClass));
    values_.push_back(std::make_unique<EnvironmentPropertyValue>(classes_.back().get(), *this));
    return values_.back().get();
}
