#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyInheritance.h"

class ProjectElement;
class ProjectSystem;

// The property values' warnings: each is one line on the standard error stream.
void propertyWarning(const std::string& text);

// A rectangle as the values store it: "x,y,width,height" in decimal.
struct Rect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// A view of one property's value. Values are text: every typed setter writes
// through setPropertyValue and every typed getter reads through propertyValue,
// so the subclasses decide only where the text lives. A null text is a value
// that was never set, which differs from the empty text.
class PropertyValue {
public:
    // Without a class the value is read-only and hidden.
    explicit PropertyValue(const PropertyClass* propertyClass = nullptr);
    virtual ~PropertyValue() = default;
    PropertyValue(const PropertyValue&) = delete;
    PropertyValue& operator=(const PropertyValue&) = delete;

    virtual bool readOnly() const { return readOnly_; }
    // True when the value comes from somewhere else than the place this view writes to.
    virtual bool inherited() const { return true; }
    virtual void setPropertyValue(const std::optional<std::string>& text) = 0;
    virtual std::optional<std::string> propertyValue() const = 0;

    const PropertyClass* propertyClass() const { return propertyClass_; }
    // Takes the class (when not null) with its read-only flag, sets the value to
    // its default and makes the value visible.
    void setPropertyClass(const PropertyClass* propertyClass);
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // A transient value belongs to the PropertyValueList holding it.
    bool transient() const { return transient_; }
    void setTransient(bool transient) { transient_ = transient; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }
    // The value text; a null value gives the empty text.
    std::string toString() const { return propertyValue().value_or(""); }

    void setValue(const std::string& text) { setPropertyValue(text); }
    void setValue(const char* text) { setPropertyValue(std::string(text)); }
    // The list in list text form.
    void setValue(const std::vector<std::string>& list);
    // Enumeration and Boolean: entry n, or a warning and a null text when there
    // is no entry n. IntegerHex: hexadecimal text; Integer, IntegerRange:
    // decimal text. Any other type: a warning, nothing written.
    void setValue(std::int32_t n);
    // As setValue(int) with 0 or 1, after a warning when the type is not Boolean.
    void setValue(bool b);
    void setValue(const Rect& rect);
    void setValue(const ColorValue& color);
    void setValue(const FontValue& font);
    void setToDefault();

    // The readers take the value text, or the class's default when that is empty.
    std::vector<std::string> toStringList(bool allowEmpty) const;
    // Enumeration, Boolean: the index among the entries, 0 when not one. Other
    // types: the number with C-style base detection, 0 when unreadable.
    std::int32_t toInt() const;
    // The first entry is false, the second true; other texts are true when they
    // are "true", "yes" or "1" in any case.
    bool toBool() const;
    // Four comma-separated decimal numbers; anything else gives the empty rectangle.
    Rect toRect() const;
    ColorValue toColor() const;
    FontValue toFont(const FontValue& fallback) const;

private:
    std::string valueOrDefault() const;
    std::vector<std::string> enumerates() const;

    bool readOnly_;
    bool transient_ = false;
    bool visible_;
    const PropertyClass* propertyClass_;
};

// A value that holds its own text (empty at first); read-only and transient.
class SimplePropertyValue : public PropertyValue {
public:
    explicit SimplePropertyValue(const PropertyClass* propertyClass);
    SimplePropertyValue(const PropertyClass* propertyClass, const std::string& text);

    void setPropertyValue(const std::optional<std::string>& text) override { value_ = text; }
    std::optional<std::string> propertyValue() const override { return value_; }

private:
    std::optional<std::string> value_ = std::string();
};

// The value of one property of one solution-tree element in one configuration,
// read and written through `system` (without one it reads null and ignores
// writes). A class that is not per configuration is always read and written in "Common".
class ProjectPropertyValue : public PropertyValue {
public:
    ProjectPropertyValue(const PropertyClass* propertyClass, const std::string& configuration, ProjectElement* element,
                         ProjectSystem* system);

    bool readOnly() const override { return PropertyValue::readOnly(); }
    // False exactly when the element's own configuration holds the property.
    bool inherited() const override;
    // Sets the property at the element (creating its configuration child when
    // needed); a null text removes it there, so lookups go on past the element.
    void setPropertyValue(const std::optional<std::string>& text) override;
    // A StringList reads only the element's own text (null when unset), never
    // the accumulated list; other types read the effective value.
    std::optional<std::string> propertyValue() const override;

    ProjectElement* node() const { return element_; }
    const std::string& configuration() const { return configuration_; }
    // Where the effective value came from, most specific first.
    PropertyInheritanceInformation inheritanceInformation() const;
    // True when something other than the class default supplies the value.
    bool nonDefault() const;

protected:
    ProjectSystem* system() const { return system_; }

private:
    ProjectElement* element_;
    std::string configuration_;
    ProjectSystem* system_;
};

// An ordered list of values. Destroying it deletes the values whose own
// transient flag is set; the others belong to whoever made them.
class PropertyValueList : public std::vector<PropertyValue*> {
public:
    explicit PropertyValueList(bool transient) : transient_(transient) {}
    ~PropertyValueList();
    PropertyValueList(const PropertyValueList&) = delete;
    PropertyValueList& operator=(const PropertyValueList&) = delete;

    bool transient() const { return transient_; }
    // The first value of that class, or null.
    PropertyValue* find(const PropertyClass* propertyClass) const;
    // Appends unless a value of the same class is present; a null value or one
    // without a class is refused with a warning. A refused or duplicate value is
    // not taken over: its creator still owns it.
    void appendUnique(PropertyValue* value);

private:
    bool transient_;
};
