#include "environment/EnvironmentSettings.h"

#include <algorithm>

#include "environment/Settings.h"
#include "macros/MacroSystem.h"

std::map<std::string, PropertyValue*> g_globalProperties;
std::map<std::string, std::unique_ptr<PropertyValueList>> g_globalPropertySettings;
EnvironmentSettings* environment = nullptr;

// Signals that nobody listens to in the tool (a setting or value changed) are not built.

EnvironmentPropertyValue::EnvironmentPropertyValue(const PropertyClass* property) : PropertyValue(property)
{
    if (property != nullptr && !property->page().empty() && property->page() != "(Internal)")
        EnvironmentSettings::registerProperty(property->page(), this);
}

EnvironmentPropertyValue::~EnvironmentPropertyValue()
{
    EnvironmentSettings::unregisterProperty(this);
}

void EnvironmentPropertyValue::setPropertyValue(const std::optional<std::string>& text)
{
    // A null text and the empty text are the same value here, as in the file.
    if (text.value_or("") == toString())
        return;
    cachedValue_ = text;
    if (environment != nullptr)
        environment->writeSetting(propertyClass(), text.value_or(""));
}

std::optional<std::string> EnvironmentPropertyValue::propertyValue() const
{
    if (!loaded_ && environment != nullptr) {
        cachedValue_ = environment->readSetting(propertyClass());
        loaded_ = true;
    }
    return cachedValue_;
}

void EnvironmentPropertyValue::removePropertyValue()
{
    loaded_ = false;
    if (environment != nullptr)
        environment->removeSetting(propertyClass());
}

EnvironmentSettings::EnvironmentSettings() : productSettings_(std::make_unique<Settings>())
{
    productSettings_->setPath(Path(studioLocalDataDir() + "/settings.xml"));
}

EnvironmentSettings::~EnvironmentSettings()
{
    if (environment == this)
        environment = nullptr;
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

PropertyValue* EnvironmentSettings::findProperty(const std::string& name)
{
    const auto it = g_globalProperties.find(name);
    return it != g_globalProperties.end() ? it->second : nullptr;
}

void EnvironmentSettings::registerProperty(const std::string& page, PropertyValue* value)
{
    if (value == nullptr || value->propertyClass() == nullptr)
        return;
    std::unique_ptr<PropertyValueList>& list = g_globalPropertySettings[page];
    if (!list)
        list = std::make_unique<PropertyValueList>(false);
    if (std::find(list->begin(), list->end(), value) == list->end())
        list->push_back(value);
    g_globalProperties[value->propertyClass()->saveName()] = value;
}

void EnvironmentSettings::unregisterProperty(const PropertyValue* value)
{
    std::erase_if(g_globalProperties, [value](const auto& entry) { return entry.second == value; });
    for (auto& [page, list] : g_globalPropertySettings)
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
    values_.push_back(std::make_unique<EnvironmentPropertyValue>(classes_.back().get()));
    return values_.back().get();
}
