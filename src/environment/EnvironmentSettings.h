#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyValue.h"

class EnvironmentSettings;
class MacroSystem;
class Settings;

// The value of one environment property, kept in the user's settings file
// through `environment`. It reads its setting on first use only.
class EnvironmentPropertyValue : public PropertyValue {
public:
    // Registers itself with `environment` under the class's page unless that is
    // empty or "(Internal)".
    EnvironmentPropertyValue(const PropertyClass* property, EnvironmentSettings& environment);
    ~EnvironmentPropertyValue() override;

    // Stores a value that differs from the current one as the setting.
    void setPropertyValue(const std::optional<std::string>& text) override;
    // The setting, or the class's default when there is none.
    std::optional<std::string> propertyValue() const override;
    // Removes the setting; the next read takes it up again.
    void removePropertyValue();

private:
    EnvironmentSettings& environment_;
    mutable bool loaded_ = false;
    mutable std::optional<std::string> cachedValue_;
};

// The user's environment options: the settings file "settings.xml" in the
// product's data directory, and the 172 environment properties whose values
// live in it. It owns its property classes and values. A save timer is not
// built: nothing runs an event loop, so saving is an explicit saveSettings.
class EnvironmentSettings {
public:
    // Reads the settings file when it can be read. The global macros of
    // `macros` are read from the environment once createEntries has run.
    explicit EnvironmentSettings(MacroSystem& macros);
    // Saves the settings file; the global macros are no longer read from here.
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
    // Lets go of the settings file, so that destroying the environment writes
    // nothing: the tool only ever reads the user's settings.
    void leaveSettingsFileAsRead();

    // The registries: the environment property values by property save name,
    // and for each options page the list of its values. Neither owns the
    // values; the lists belong to the registry. A value leaves both when it is destroyed.
    // The value registered under `name`, or null.
    PropertyValue* findProperty(const std::string& name) const;
    // Adds `value` to the page's list unless it is there already and makes it
    // the value registered under its save name. A value without a class is ignored.
    void registerProperty(const std::string& page, PropertyValue* value);
    // Takes `value` out of both registries.
    void unregisterProperty(const PropertyValue* value);
    const std::map<std::string, std::unique_ptr<PropertyValueList>>& globalPropertySettings() const
    {
        return globalPropertySettings_;
    }

    Settings& productSettings() const { return *productSettings_; }
    // The values in creation order.
    const std::vector<std::unique_ptr<EnvironmentPropertyValue>>& properties() const { return values_; }
    // The value of the property named `name`, or null.
    EnvironmentPropertyValue* property(const std::string& name) const;
    EnvironmentPropertyValue* globalMacrosProperty() const { return globalMacros_; }

private:
    // Takes `propertyClass` over and makes its value (which registers itself).
    EnvironmentPropertyValue* create(std::unique_ptr<PropertyClass> propertyClass);

    MacroSystem& macros_;
    std::unique_ptr<Settings> productSettings_;
    // Declared before the values, which leave them when destroyed.
    std::map<std::string, PropertyValue*> globalProperties_;
    std::map<std::string, std::unique_ptr<PropertyValueList>> globalPropertySettings_;
    // Values refer to their classes, so they are declared after them and go first.
    std::vector<std::unique_ptr<PropertyClass>> classes_;
    std::vector<std::unique_ptr<EnvironmentPropertyValue>> values_;
    EnvironmentPropertyValue* globalMacros_ = nullptr;
};
