#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyValue.h"

class Settings;

// The environment property values by property save name, and for each options
// page the list of its values. Neither owns the values; the lists belong to the
// registry. A value leaves both when it is destroyed.
extern std::map<std::string, PropertyValue*> g_globalProperties;
extern std::map<std::string, std::unique_ptr<PropertyValueList>> g_globalPropertySettings;

// The value of one environment property, kept in the user's settings file
// through the global `environment`. It reads its setting on first use only.
class EnvironmentPropertyValue : public PropertyValue {
public:
    // Registers itself under the class's page unless that is empty or "(Internal)".
    explicit EnvironmentPropertyValue(const PropertyClass* property);
    ~EnvironmentPropertyValue() override;

    // Stores a value that differs from the current one as the setting.
    void setPropertyValue(const std::optional<std::string>& text) override;
    // The setting, or the class's default when there is none; null while no
    // environment exists.
    std::optional<std::string> propertyValue() const override;
    // Removes the setting; the next read takes it up again.
    void removePropertyValue();

private:
    mutable bool loaded_ = false;
    mutable std::optional<std::string> cachedValue_;
};

// The user's environment options: the settings file "settings.xml" in the
// product's data directory, and the 172 environment properties whose values
// live in it. It owns its property classes and values. A save timer is not
// built: nothing runs an event loop, so saving is an explicit saveSettings.
class EnvironmentSettings {
public:
    // Reads the settings file when it can be read.
    EnvironmentSettings();
    // Saves the settings file; stops being the global `environment`.
    virtual ~EnvironmentSettings();
    EnvironmentSettings(const EnvironmentSettings&) = delete;
    EnvironmentSettings& operator=(const EnvironmentSettings&) = delete;

    // Creates the environment properties in their fixed order and makes the
    // macro system read its global macros from them.
    virtual void createEntries();

    // The setting of `property`'s save name, or the property's default.
    std::string readSetting(const PropertyClass* property) const;
    bool writeSetting(const PropertyClass* property, const std::string& value);
    bool removeSetting(const PropertyClass* property) const;
    // Brings the settings file up to date (Settings::sync). Returns true.
    bool saveSettings();

    // The value registered under `name`, or null.
    static PropertyValue* findProperty(const std::string& name);
    // Adds `value` to the page's list unless it is there already and makes it
    // the value registered under its save name. A value without a class is ignored.
    static void registerProperty(const std::string& page, PropertyValue* value);
    // Takes `value` out of both registries.
    static void unregisterProperty(const PropertyValue* value);

    Settings& productSettings() const { return *productSettings_; }
    // The values in creation order.
    const std::vector<std::unique_ptr<EnvironmentPropertyValue>>& properties() const { return values_; }
    // The value of the property named `name`, or null.
    EnvironmentPropertyValue* property(const std::string& name) const;
    EnvironmentPropertyValue* globalMacrosProperty() const { return globalMacros_; }

private:
    // Takes `propertyClass` over and makes its value (which registers itself).
    EnvironmentPropertyValue* create(std::unique_ptr<PropertyClass> propertyClass);

    std::unique_ptr<Settings> productSettings_;
    // Values refer to their classes, so they are declared after them and go first.
    std::vector<std::unique_ptr<PropertyClass>> classes_;
    std::vector<std::unique_ptr<EnvironmentPropertyValue>> values_;
    EnvironmentPropertyValue* globalMacros_ = nullptr;
};

// The one instance, created by solution mode and never destroyed there (so the
// settings file is only read); null until then.
extern EnvironmentSettings* environment;
