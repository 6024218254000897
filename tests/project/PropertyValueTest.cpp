#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyValue.h"
#include "support/files.h"
#include "xml/XML.h"

namespace {

using testsupport::TempDir;
using testsupport::writeFile;

class Warnings {
public:
    Warnings()
    {
        setPropertyWarningHandler([this](const std::string& text) { lines.push_back(text); });
    }
    ~Warnings() { setPropertyWarningHandler(nullptr); }
    std::vector<std::string> take() { return std::exchange(lines, {}); }
    std::vector<std::string> lines;
};

const std::string kNotInEnumerates =
    "PropertyValue::setValue(int): Setting an enumeration to a value which isn't in its enumerates";
const std::string kNonInteger = "PropertyValue::setValue(int): Setting a non-integer property";
const std::string kNonBoolean = "PropertyValue::setValue(int): Setting a non-Boolean property";

TEST(PropertyValue, ConstructorFormsFixDefaultsAndEntries)
{
    const PropertyClass textBool("b", PropertyClass::Boolean, "P", "G", "S", "L", "");
    EXPECT_EQ(textBool.defaultValue(), "No");
    EXPECT_EQ(textBool.enumerates(), (std::vector<std::string>{"No", "Yes"}));
    const PropertyClass boolForm("b", "P", "G", "S", "L", true);
    EXPECT_EQ(boolForm.defaultValue(), "Yes");
    EXPECT_EQ(boolForm.type(), PropertyClass::Boolean);
    const PropertyClass hex("h", PropertyClass::IntegerHex, 0, 0x7FFFFFFF, "P", "G", "S", "L", 0);
    EXPECT_EQ(hex.defaultValue(), "0x00000000");
    const PropertyClass dec("d", PropertyClass::Integer, -5, 5, "P", "G", "S", "L", -3);
    EXPECT_EQ(dec.defaultValue(), "-3");
    const PropertyClass color("c", "P", "G", "S", "L", ColorValue(0x12, 0xab, 0));
    EXPECT_EQ(color.defaultValue(), "#12ab00");
    EXPECT_EQ(color.type(), PropertyClass::Color);
    const PropertyClass noColor("c", "P", "G", "S", "L", ColorValue());
    EXPECT_EQ(noColor.defaultValue(), "Automatic");
    const PropertyClass named("n", PropertyClass::IntegerRange, 1, 9);
    EXPECT_EQ(named.defaultValue(), "");
    EXPECT_EQ(named.maximum(), 9);
    EXPECT_TRUE(named.perConfiguration());
    EXPECT_FALSE(named.readOnly());

    EXPECT_EQ(toHexString(10, 0xFFFF), "0x000a");
    EXPECT_EQ(toHexString(0x12345, 0xFF), "0x12345");
    EXPECT_EQ(toHexString(0, 0xF), "0x0");
    EXPECT_EQ(toHexString(1, 0x10), "0x01");
    EXPECT_EQ(toHexString(1, -1), "0x1");
    EXPECT_EQ(toHexString(-1, 0xFF), "0xffffffff");

    PropertyClassList list;
    list.appendUnique(&hex);
    list.appendUnique(&dec);
    list.appendUnique(&hex);
    EXPECT_EQ(list.size(), 2u);
}

TEST(PropertyValue, DefinitionElementsAreReadLeniently)
{
    TempDir dir;
    writeFile(dir.path() + "/d.xml", R"X(<options>
        <p name="a" type="IntegerRange" group="G" short="S" long="L" default="7" minimum="2" maximum="4294967295"
           enumeration=";x;;y;" specialvalue="XML (*.xml)"/>
        <p name="b"/>
        <p name="c" type="boolean" minimum="-1" maximum="12abc"/>
        <p name="d" type="Enumeration" enumeration="One;Two" default="Two"/>
    </options>)X");
    XMLDocument document(false);
    ASSERT_TRUE(document.load((dir.path() + "/d.xml").c_str()));
    std::vector<XMLElement*> elements;
    for (XMLNode* node = document.rootElement()->firstChild(); node; node = node->nextSibling())
        if (XMLElement* element = node->toElement())
            elements.push_back(element);
    ASSERT_EQ(elements.size(), 4u);

    const PropertyClass a(elements[0]);
    EXPECT_EQ(a.saveName(), "a");
    EXPECT_EQ(a.type(), PropertyClass::IntegerRange);
    EXPECT_EQ(a.group(), "G");
    EXPECT_EQ(a.shortDescription(), "S");
    EXPECT_EQ(a.longDescription(), "L");
    EXPECT_EQ(a.defaultValue(), "7");
    EXPECT_EQ(a.minimum(), 2);
    EXPECT_EQ(a.maximum(), -1); // unsigned text, stored in 32 bits
    EXPECT_EQ(a.enumerates(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(a.specialValueText(), "XML (*.xml)");
    EXPECT_EQ(a.page(), "");

    // Missing or unknown types are Boolean, and no "No" is supplied here.
    const PropertyClass b(elements[1]);
    EXPECT_EQ(b.type(), PropertyClass::Boolean);
    EXPECT_EQ(b.defaultValue(), "");
    EXPECT_EQ(b.enumerates(), (std::vector<std::string>{"No", "Yes"}));
    SimplePropertyValue emptyBool(&b);
    EXPECT_FALSE(emptyBool.toBool());
    const PropertyClass c(elements[2]);
    EXPECT_EQ(c.type(), PropertyClass::Boolean);
    EXPECT_EQ(c.minimum(), 0);
    EXPECT_EQ(c.maximum(), 0);
    const PropertyClass d(elements[3]);
    SimplePropertyValue two(&d);
    EXPECT_EQ(two.toInt(), 1);
}

TEST(PropertyValue, TypedAccessorsConvertTextBothWays)
{
    Warnings warnings;
    const PropertyClass boolean("b", "", "", "", "", false);
    SimplePropertyValue b(&boolean);
    EXPECT_TRUE(b.readOnly());
    EXPECT_EQ(b.propertyValue(), "");
    EXPECT_FALSE(b.toBool()); // the default "No"
    b.setValue(true);
    EXPECT_EQ(b.toString(), "Yes");
    EXPECT_EQ(b.toInt(), 1);
    for (const char* yes : {"TRUE", "yes", "1", "Yes"}) {
        b.setValue(yes);
        EXPECT_TRUE(b.toBool()) << yes;
    }
    for (const char* no : {"No", "0", "on", "maybe"}) {
        b.setValue(no);
        EXPECT_FALSE(b.toBool()) << no;
    }

    const PropertyClass integer("i", PropertyClass::Integer, 0, 100, "", "", "", "", 42);
    SimplePropertyValue i(&integer);
    EXPECT_EQ(i.toInt(), 42);
    for (const auto& [text, number] : std::vector<std::pair<std::string, int>>{
             {"0x1F", 31}, {"010", 8}, {" -12 ", -12}, {"12abc", 0}, {"0x", 0}, {"99999999999", 0}, {"0", 0}}) {
        i.setValue(text);
        EXPECT_EQ(i.toInt(), number) << text;
    }
    i.setValue(-7);
    EXPECT_EQ(i.toString(), "-7");
    const PropertyClass hex("h", PropertyClass::IntegerHex, 0, 0xFFF, "", "", "", "", 0);
    SimplePropertyValue h(&hex);
    h.setValue(255);
    EXPECT_EQ(h.toString(), "0x0ff");
    EXPECT_EQ(h.toInt(), 255);
    EXPECT_TRUE(warnings.take().empty());

    const PropertyClass list("l", PropertyClass::StringList, "", "", "", "", "d1;d2");
    SimplePropertyValue l(&list);
    EXPECT_EQ(l.toStringList(false), (std::vector<std::string>{"d1", "d2"}));
    l.setValue(std::vector<std::string>{"a;b", "", "c\\d"});
    EXPECT_EQ(l.toString(), "a\\;b;;c\\\\d");
    EXPECT_EQ(l.toStringList(false), (std::vector<std::string>{"a;b", "c\\d"}));
    EXPECT_EQ(l.toStringList(true), (std::vector<std::string>{"a;b", "", "c\\d"}));

    const PropertyClass text("t", PropertyClass::String, "", "", "", "", "");
    SimplePropertyValue t(&text);
    t.setValue(Rect{1, -2, 30, 40});
    EXPECT_EQ(t.toString(), "1,-2,30,40");
    EXPECT_EQ(t.toRect(), (Rect{1, -2, 30, 40}));
    for (const char* bad : {"1,2,3", "1,2,3,4,5", "1,2,x,4", ""}) {
        t.setValue(bad);
        EXPECT_EQ(t.toRect(), Rect()) << bad;
    }
    t.setValue(ColorValue(255, 0, 16));
    EXPECT_EQ(t.toString(), "#ff0010");
    EXPECT_EQ(t.toColor(), ColorValue(255, 0, 16));
    t.setValue("#FF0010");
    EXPECT_EQ(t.toColor(), ColorValue(255, 0, 16));
    t.setValue(ColorValue());
    EXPECT_EQ(t.toString(), "Automatic");
    EXPECT_FALSE(t.toColor().valid);
    t.setValue("");
    EXPECT_EQ(t.toFont(FontValue{"Fallback,10"}).description, "Fallback,10");
    t.setValue(FontValue{"Mono,9,-1,5,50,0,0,0,0,0"});
    EXPECT_EQ(t.toFont(FontValue{"x"}).description, "Mono,9,-1,5,50,0,0,0,0,0");
    t.setToDefault();
    EXPECT_EQ(t.toString(), "");
}

TEST(PropertyValue, OutOfRangeAndMistypedWritesWarn)
{
    Warnings warnings;
    const PropertyClass choice("e", PropertyClass::Enumeration, {"A", "B", "C"}, "", "", "", "", "A");
    SimplePropertyValue e(&choice);
    e.setValue(1);
    EXPECT_EQ(e.toString(), "B");
    e.setValue(3);
    EXPECT_EQ(e.propertyValue(), std::nullopt); // a null text: unset
    e.setValue(-1);
    EXPECT_EQ(warnings.take(), (std::vector<std::string>{kNotInEnumerates, kNotInEnumerates}));
    EXPECT_EQ(e.toInt(), 0);
    e.setValue("Z");
    EXPECT_EQ(e.toInt(), 0);

    const PropertyClass text("t", PropertyClass::String, "", "", "", "", "");
    SimplePropertyValue t(&text, "kept");
    t.setValue(5);
    EXPECT_EQ(t.toString(), "kept");
    EXPECT_EQ(warnings.take(), (std::vector<std::string>{kNonInteger}));
    t.setValue(true);
    EXPECT_EQ(warnings.take(), (std::vector<std::string>{kNonBoolean, kNonInteger}));
    const PropertyClass integer("i", PropertyClass::IntegerRange, 0, 9, "", "", "", "", 0);
    SimplePropertyValue i(&integer);
    i.setValue(true);
    EXPECT_EQ(i.toString(), "1");
    EXPECT_EQ(warnings.take(), (std::vector<std::string>{kNonBoolean}));

    PropertyValueList list(true);
    list.appendUnique(nullptr);
    auto* classless = new SimplePropertyValue(nullptr);
    list.appendUnique(classless);
    EXPECT_EQ(warnings.take(), (std::vector<std::string>{"Bad property value in PropertyValueList::appendUnique",
                                                         "Bad property value in PropertyValueList::appendUnique"}));
    EXPECT_TRUE(list.empty());
    delete classless;
}

TEST(PropertyValue, WarningsAreLinesOnTheErrorStreamWithoutAHandler)
{
    const PropertyClass text("t", PropertyClass::String);
    SimplePropertyValue t(&text);
    testing::internal::CaptureStderr();
    t.setValue(5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kNonInteger + "\n");
}

class Texts : public StringProvider {
public:
    std::optional<std::string> message(const std::string& key) const override
    {
        if (key == "n.enumerates")
            return ";A;;B";
        if (key == "n.minimum")
            return "-3";
        if (key == "n.maximum")
            return "x";
        return "[" + key + "]";
    }
};

TEST(PropertyValue, NameFormsAskTheStringProvider)
{
    Texts texts;
    stringProvider = &texts;
    const PropertyClass named("n", PropertyClass::Enumeration);
    EXPECT_EQ(named.page(), "[n.page]");
    EXPECT_EQ(named.group(), "[n.group]");
    EXPECT_EQ(named.shortDescription(), "[n.short]");
    EXPECT_EQ(named.longDescription(), "[n.long]");
    EXPECT_EQ(named.defaultValue(), "[n.default]");
    EXPECT_EQ(named.suffix(), "[n.suffix]");
    EXPECT_EQ(named.enumerates(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(named.minimum(), -3);
    EXPECT_EQ(named.maximum(), 0);
    const PropertyClass ranged("n", PropertyClass::IntegerRange, 5, 6);
    EXPECT_EQ(ranged.minimum(), 5);
    EXPECT_EQ(ranged.maximum(), 6);
    stringProvider = nullptr;
}

// Counts its destructions, so that the list's ownership shows.
class CountedValue : public SimplePropertyValue {
public:
    CountedValue(const PropertyClass* c, int& destroyed) : SimplePropertyValue(c), destroyed_(destroyed) {}
    ~CountedValue() override { ++destroyed_; }

private:
    int& destroyed_;
};

TEST(PropertyValue, ListsDeleteExactlyTheirTransientValues)
{
    const PropertyClass a("a", PropertyClass::String), b("b", PropertyClass::String);
    int destroyed = 0;
    CountedValue kept(&b, destroyed);
    kept.setTransient(false);
    {
        PropertyValueList list(false);
        auto* owned = new CountedValue(&a, destroyed);
        list.appendUnique(owned);
        list.appendUnique(&kept);
        CountedValue duplicate(&a, destroyed);
        duplicate.setTransient(false);
        list.appendUnique(&duplicate);
        EXPECT_EQ(list.size(), 2u);
        EXPECT_EQ(list.find(&a), owned);
        EXPECT_EQ(list.find(&b), &kept);
        EXPECT_FALSE(list.transient());
        destroyed = 0;
    }
    EXPECT_EQ(destroyed, 2); // `owned` by the list, `duplicate` going out of scope
}

TEST(PropertyValue, SettingTheClassTakesItsDefaultAndFlags)
{
    SimplePropertyValue value(nullptr);
    EXPECT_FALSE(value.visible());
    EXPECT_TRUE(value.readOnly());
    PropertyClass editable("e", PropertyClass::String, "", "", "", "", "start");
    value.setPropertyClass(&editable);
    EXPECT_EQ(value.toString(), "start");
    EXPECT_TRUE(value.visible());
    EXPECT_FALSE(value.readOnly());
    value.setPropertyClass(nullptr);
    EXPECT_EQ(value.propertyClass(), &editable);
}

} // namespace
