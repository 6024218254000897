#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class XMLElement;

// Supplies the display texts of properties defined by name only. Only an
// interactive front end has one; in the tool the session's `stringProvider` stays null.
class StringProvider {
public:
    virtual ~StringProvider() = default;
    // The text stored under `key`, or null when there is none.
    virtual std::optional<std::string> message(const std::string& key) const = 0;
};

// A colour as its name: "#rrggbb" in lower-case hexadecimal, or "Automatic"
// for the invalid colour (the one that leaves the choice to the viewer).
struct ColorValue {
    bool valid = false;
    std::uint8_t red = 0, green = 0, blue = 0;

    ColorValue() = default;
    ColorValue(std::uint8_t r, std::uint8_t g, std::uint8_t b) : valid(true), red(r), green(g), blue(b) {}
    // "#rrggbb" (either case) gives that colour; any other text the invalid colour.
    static ColorValue fromName(const std::string& name);
    std::string name() const;
    bool operator==(const ColorValue&) const = default;
};

// A font, kept as the description text a front end writes and reads.
struct FontValue {
    std::string description;
    bool operator==(const FontValue&) const = default;
};

// The definition of one property: its save name (the attribute its values are
// stored under), type, default and display texts. Values are text; the type
// only says how the text converts to numbers, lists, colours and fonts.
class PropertyClass {
public:
    // The names are also the words of the "type" attribute of a definition element.
    enum Type {
        Boolean = 0,
        Integer = 1,
        IntegerHex = 2,
        IntegerRange = 3,
        String = 4,
        FileName = 5,
        ProjFileName = 6,
        StringList = 7,
        DirPath = 8,
        DirPathList = 9,
        Enumeration = 10,
        Color = 11,
        Font = 12,
        FixedPitchFont = 13,
        Custom = 14,
    };

    // Text form: a Boolean with an empty default gets the default "No".
    PropertyClass(const std::string& name, Type type, const std::string& page, const std::string& group,
                  const std::string& shortDescription, const std::string& longDescription,
                  const std::string& defaultValue);
    // Enumeration form.
    PropertyClass(const std::string& name, Type type, const std::vector<std::string>& enumerates,
                  const std::string& page, const std::string& group, const std::string& shortDescription,
                  const std::string& longDescription, const std::string& defaultValue);
    // Integer form: the default is written in hexadecimal (toHexString) for
    // IntegerHex, in decimal otherwise.
    PropertyClass(const std::string& name, Type type, std::int32_t minimum, std::int32_t maximum,
                  const std::string& page, const std::string& group, const std::string& shortDescription,
                  const std::string& longDescription, std::int32_t defaultValue);
    // Boolean form: entries "No", "Yes"; the default is one of them.
    PropertyClass(const std::string& name, const std::string& page, const std::string& group,
                  const std::string& shortDescription, const std::string& longDescription, bool defaultValue);
    // Colour form: the default is the colour's name.
    PropertyClass(const std::string& name, const std::string& page, const std::string& group,
                  const std::string& shortDescription, const std::string& longDescription,
                  const ColorValue& defaultValue);
    // From a definition element's attributes "name", "type", "group", "short",
    // "long", "default", "minimum", "maximum", "enumeration" and "specialvalue";
    // a missing or unknown type gives Boolean, unreadable bounds give 0.
    explicit PropertyClass(const XMLElement* element);
    // Name forms: the texts come from `strings` when it is not null, else they
    // and the default are empty.
    PropertyClass(const std::string& name, Type type, const StringProvider* strings);
    PropertyClass(const std::string& name, Type type, std::int32_t minimum, std::int32_t maximum,
                  const StringProvider* strings);

    virtual ~PropertyClass() = default;
    PropertyClass(const PropertyClass&) = delete;
    PropertyClass& operator=(const PropertyClass&) = delete;

    // The type named exactly `name`, or null.
    static std::optional<Type> typeFromName(const std::string& name);

    const std::string& saveName() const { return saveName_; }
    const std::string& group() const { return group_; }
    const std::string& page() const { return page_; }
    const std::string& shortDescription() const { return shortDescription_; }
    const std::string& longDescription() const { return longDescription_; }
    const std::string& dialogDescription() const { return dialogDescription_; }
    void setDialogDescription(const std::string& text) { dialogDescription_ = text; }
    const std::string& specialValueText() const { return specialValueText_; }
    void setSpecialValueText(const std::string& text) { specialValueText_ = text; }
    const std::string& suffix() const { return suffix_; }
    void setSuffix(const std::string& text) { suffix_ = text; }
    const std::string& defaultValue() const { return defaultValue_; }
    void setDefault(const std::string& text) { defaultValue_ = text; }
    Type type() const { return type_; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // False: the value exists only in the "Common" configuration.
    bool perConfiguration() const { return perConfiguration_; }
    void setPerConfiguration(bool perConfiguration) { perConfiguration_ = perConfiguration; }
    std::int32_t minimum() const { return minimum_; }
    std::int32_t maximum() const { return maximum_; }
    void* editor() const { return editor_; }
    void setEditor(void* editor) { editor_ = editor; }
    // The allowed values; a Boolean with no stored list answers "No", "Yes".
    std::vector<std::string> enumerates() const;
    void setEnumerates(const std::vector<std::string>& list);
    // The allowed values, found by `source` when first asked for: for lists that
    // are costly to find and rarely read.
    void setEnumeratesSource(std::function<std::vector<std::string>()> source);

private:
    enum class Bounds { Read, Keep };
    void readFromStringProvider(const StringProvider* strings, Bounds bounds);

    std::string saveName_;
    std::string group_;
    std::string shortDescription_;
    std::string longDescription_;
    std::string suffix_;
    std::string dialogDescription_;
    std::string defaultValue_;
    std::string specialValueText_;
    std::string page_;
    bool readOnly_ = false;
    bool perConfiguration_ = true;
    Type type_;
    mutable std::vector<std::string> enumerates_;
    mutable std::function<std::vector<std::string>()> enumeratesSource_;
    std::int32_t minimum_ = 0;
    std::int32_t maximum_ = 0;
    void* editor_ = nullptr;
};

// "0x" and `value` in lower-case hexadecimal, zero-padded to as many digits as
// `maximum` needs (1 to 8; a negative maximum needs 1), never cut.
std::string toHexString(std::int32_t value, std::int32_t maximum);

// An ordered list of definitions owned elsewhere.
class PropertyClassList : public std::vector<const PropertyClass*> {
public:
    // Appends unless that very pointer is already in the list.
    void appendUnique(const PropertyClass* propertyClass);
};
