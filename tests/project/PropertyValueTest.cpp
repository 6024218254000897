#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "project/PropertyClass.h"
#include "project/PropertyValue.h"
#include "support/files.h"
#include "xml/XML.h"

namespace {

using Strings = std::vector<std::string>;

const std::string kNotInEnumerates =
    "PropertyValue::setValue(int): Setting an enumeration to a value which isn't in its enumerates";
const std::string kNonInteger = "PropertyValue::setValue(int): Setting a non-integer property";
const std::string kNonBoolean = "PropertyValue::setValue(int): Setting a non-Boolean property";

PropertyClass textClass(PropertyClass::Type type, const std::string& defaultValue = "")
{
    return PropertyClass("t", type, "", "", "", "", defaultValue);
}

TEST(PropertyValue, ClassesReadTheirDefinitionAndHexTextKeepsItsWidth)
{
    EXPECT_EQ(toHexString(10, 0xFFFF), "0x000a");
    EXPECT_EQ(toHexString(0x12345, 0xFF), "0x12345"); // never cut
    EXPECT_EQ(toHexString(1, -1), "0x1");
    EXPECT_EQ(toHexString(-1, 0xFF), "0xffffffff");

    testsupport::TempDir dir;
    testsupport::writeFile(dir.path() + "/d.xml", R"X(<options>
        <p name="a" type="IntegerRange" default="7" minimum="2" maximum="4294967295" enumeration=";x;;y;"/>
        <p name="b" type="boolean" minimum="-1" maximum="12abc"/></options>)X");
    XMLDocument document(false);
    ASSERT_TRUE(document.load((dir.path() + "/d.xml").c_str()));
    const PropertyClass a(document.rootElement()->firstChild()->toElement());
    EXPECT_EQ(a.maximum(), -1); // unsigned text, stored in 32 bits
    EXPECT_EQ(a.enumerates(), (Strings{"x", "y"}));
    // An unknown type is Boolean, and no "No" is supplied by this form.
    const PropertyClass b(document.rootElement()->lastChild()->toElement());
    EXPECT_EQ(b.type(), PropertyClass::Boolean);
    EXPECT_EQ(b.defaultValue(), "");
    EXPECT_EQ(b.enumerates(), (Strings{"No", "Yes"}));
    EXPECT_EQ(b.minimum(), 0);
    EXPECT_EQ(b.maximum(), 0);
    EXPECT_FALSE(SimplePropertyValue(&b).toBool());
}

TEST(PropertyValue, TypedAccessorsConvertTextBothWays)
{
    const PropertyClass boolean("b", "", "", "", "", false);
    SimplePropertyValue b(&boolean);
    EXPECT_FALSE(b.toBool()); // the default "No"
    b.setValue(true);
    EXPECT_EQ(b.toString(), "Yes");
    for (const auto& [text, expected] : std::vector<std::pair<const char*, bool>>{
             {"TRUE", true}, {"yes", true}, {"1", true}, {"No", false}, {"0", false}, {"on", false}}) {
        b.setValue(text);
        EXPECT_EQ(b.toBool(), expected) << text;
    }

    const PropertyClass integer("i", PropertyClass::Integer, 0, 100, "", "", "", "", 42);
    SimplePropertyValue i(&integer);
    EXPECT_EQ(i.toInt(), 42);
    for (const auto& [text, number] : std::vector<std::pair<std::string, int>>{
             {"0x1F", 31}, {"010", 8}, {" -12 ", -12}, {"12abc", 0}, {"0x", 0}, {"99999999999", 0}}) {
        i.setValue(text);
        EXPECT_EQ(i.toInt(), number) << text;
    }
    SimplePropertyValue h(nullptr);
    const PropertyClass hex("h", PropertyClass::IntegerHex, 0, 0xFFF, "", "", "", "", 0);
    h.setPropertyClass(&hex);
    EXPECT_EQ(h.toString(), "0x000");
    h.setValue(255);
    EXPECT_EQ(h.toString(), "0x0ff");

    const PropertyClass list = textClass(PropertyClass::StringList, "d1;d2");
    SimplePropertyValue l(&list);
    EXPECT_EQ(l.toStringList(false), (Strings{"d1", "d2"})); // the empty value reads the default
    l.setValue(Strings{"a;b", "", "c\\d"});
    EXPECT_EQ(l.toString(), "a\\;b;;c\\\\d");
    EXPECT_EQ(l.toStringList(true), (Strings{"a;b", "", "c\\d"}));
}

TEST(PropertyValue, MistypedWritesWarnOnTheErrorStream)
{
    testing::internal::CaptureStderr();
    const PropertyClass choice("e", PropertyClass::Enumeration, {"A", "B", "C"}, "", "", "", "", "A");
    SimplePropertyValue e(&choice);
    e.setValue(3);
    EXPECT_EQ(e.propertyValue(), std::nullopt); // a null text: unset
    e.setValue("Z");
    EXPECT_EQ(e.toInt(), 0);
    const PropertyClass text = textClass(PropertyClass::String);
    SimplePropertyValue t(&text, "kept");
    t.setValue(true);
    EXPECT_EQ(t.toString(), "kept");
    const PropertyClass range("i", PropertyClass::IntegerRange, 0, 9, "", "", "", "", 0);
    SimplePropertyValue i(&range);
    i.setValue(true);
    EXPECT_EQ(i.toString(), "1");
    PropertyValueList list(true);
    list.appendUnique(nullptr);
    EXPECT_TRUE(list.empty());
    t.setValue(5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              kNotInEnumerates + "\n" + kNonBoolean + "\n" + kNonInteger + "\n" + kNonBoolean +
                  "\nBad property value in PropertyValueList::appendUnique\n" + kNonInteger + "\n");
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
    const PropertyClass a("a", PropertyClass::String, nullptr), b("b", PropertyClass::String, nullptr);
    int destroyed = 0;
    CountedValue kept(&b, destroyed);
    kept.setTransient(false);
    {
        PropertyValueList list(false);
        auto* owned = new CountedValue(&a, destroyed);
        list.appendUnique(owned);
        list.appendUnique(&kept);
        CountedValue duplicate(&a, destroyed);
        list.appendUnique(&duplicate);
        EXPECT_EQ(list.size(), 2u);
        EXPECT_EQ(list.find(&a), owned);
        EXPECT_EQ(list.find(&b), &kept);
    }
    EXPECT_EQ(destroyed, 2); // `owned` by the list, `duplicate` going out of scope
}
} // namespace
