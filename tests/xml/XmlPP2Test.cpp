#include "xml/XmlPP2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/files.h"
#include "xml/TreeDump.h"

namespace {

using testsupport::TempDir;
using testsupport::writeFile;

// The macro system comes first, so that it outlives the document that expands with it.
struct OwnMacroSystem {
    MacroSystem macroSystem;
};

class Preprocessor : private OwnMacroSystem, public XMLPP2 {
public:
    explicit Preprocessor(const MacroSystem& macros = MacroSystem())
        : OwnMacroSystem{macros}, XMLPP2(macroSystem, false)
    {
    }
    void warning(const std::string& message) override { warnings.push_back(message); }
    std::vector<std::string> warnings;
};

struct Case {
    const char* xml;
    const char* expected;
    std::vector<std::string> warnings;
};

void expectCases(const std::vector<Case>& cases, const char* macros = nullptr, bool expand = false)
{
    TempDir dir;
    for (const Case& c : cases) {
        writeFile(dir.path() + "/main.xml", c.xml);
        Preprocessor document;
        ASSERT_TRUE(document.load((dir.path() + "/main.xml").c_str(), macros, expand)) << c.xml;
        EXPECT_EQ(dump(document.rootElement()), c.expected) << c.xml;
        EXPECT_EQ(document.warnings, c.warnings) << c.xml;
    }
}

const std::string kPrefix = "XmlPP::processConditionals(): ";

TEST(XmlPP2Test, ConditionalsSwitchesAndDefinesFollowDocumentOrder)
{
    expectCases({
        {R"X(<r><define name="X" value="b"/><if X="a,b"><k/></if><ifnot X="a,b"><n/></ifnot>
            <if Y="a"><n/></if><ifnot Y="a"><k2/></ifnot></r>)X",
         "r(k,k2)",
         {}},
        {R"X(<r><if a="1" b="2"><k/></if><ifnot><k/></ifnot></r>)X",
         "r(if[a=1,b=2](k),ifnot(k))",
         {kPrefix + "one condition required for <if[not]>", kPrefix + "one condition required for <if[not]>"}},
        {R"X(<r><ifdef name="X"><n/></ifdef><define name="X" value=""/><ifdef name="X"><k/></ifdef>
            <ifndef name="X"><n/></ifndef><ifndef name="M"><k2/></ifndef><ifdef name="M"><n/></ifdef></r>)X",
         "r(k,k2)",
         {}},
        {R"X(<r><define name="X"/><define value="1"/><k/></r>)X",
         "r(k)",
         {kPrefix + "missing name and/or value in <define>", kPrefix + "missing name and/or value in <define>"}},
        // A preprocessing element at the top has nowhere to go and stays.
        {R"X(<if a="1"><k/></if>)X", "if[a=1](k)", {}},
        // A switch takes its first matching case, else its last default.
        {R"X(<r><define name="V" value="2"/>
            <switch name="V"><default><d1/></default><case value="1"><c1/></case><case value="3,2"><c2/></case>
              <case value="2"><c3/></case><default><d2/></default></switch>
            <switch name="V"><case value="9"/><default><d1/></default><default><d2/></default></switch>
            <switch name="V"><case value="9"/></switch><switch name="V"/>
            <switch name="V"><case value="9"><define name="Z" value="1"/></case><default/></switch>
            <ifdef name="Z"><z/></ifdef></r>)X",
         "r(c2,d2,z)",
         {}},
    });
    // Variables also come from the macros the load is given.
    expectCases({{R"X(<r><if M="5"><k/></if><ifdef name="M"><k2/></ifdef></r>)X", "r(k,k2)", {}}}, "M=5;;");
}

TEST(XmlPP2Test, ForRepeatsElementChildrenWithIndexMacros)
{
    expectCases({
        {R"X(<r><for index="i" start="0" end="3" incr="1" mul="4" add="0x100">
              <e n="$(i)" a="$(i_alpha)" h="$(i_hex)" p="$(i_ap)" x="$(i_ap_hex)"><s v="$(i)$(j)"/></e><f/>
            </for><after/></r>)X",
         "r(e[n=0,a=A,h=0x0,p=256,x=0x100](s[v=0$(j)]),f,e[n=1,a=B,h=0x1,p=260,x=0x104](s[v=1$(j)]),f,"
         "e[n=2,a=C,h=0x2,p=264,x=0x108](s[v=2$(j)]),f,after)",
         {}},
        // Copies are processed afterwards, so an inner loop sees the outer index.
        {R"X(<r><for index="i" start="1" end="3" incr="1"><for index="j" start="0" end="010" incr="0x4">
              <e i="$(i)" j="$(j)"/></for></for></r>)X",
         "r(e[i=1,j=0],e[i=1,j=4],e[i=2,j=0],e[i=2,j=4])",
         {}},
        {R"X(<r><for index="i" start="0" end="3"><e/></for><for index="i" start="0" end="3" incr="1"/></r>)X",
         "r",
         {kPrefix + R"X(<for index="i" start="0" end="32" incr="1">)X",
          kPrefix + R"X(<for index="i" start="0" end="32" incr="1">)X"}},
        // Steps that would never reach the end stop instead of looping; a zero step
        // is worth a warning only where the loop would have run.
        {R"X(<r><for index="i" start="0" end="3" incr="0"><e/></for>
            <for index="i" start="0xFFFFFFFE" end="0xFFFFFFFF" incr="5"><e n="$(i)"/></for>
            <for index="i" start="3" end="3" incr="0"><e/></for><for index="i" start="4" end="3" incr="0"><e/></for>
            <for index="i" start="2" end="3" incr="0"><e/></for></r>)X",
         "r(e[n=4294967294])",
         {kPrefix + R"X(<for> with incr="0" ignored)X", kPrefix + R"X(<for> with incr="0" ignored)X"}},
    });
}

TEST(XmlPP2Test, ForStopsAtTheCopyAndWorkLimits)
{
    std::string expected = "r(";
    for (unsigned i = 0; i < XMLPP2::kMaxForCopies; ++i)
        expected += i + 1 < XMLPP2::kMaxForCopies ? "e," : "e)";
    expectCases({{R"X(<r><for index="i" start="0" end="0xFFFFFFFF" incr="1"><e/></for></r>)X",
                  expected.c_str(),
                  {kPrefix + "<for> stopped after " + std::to_string(XMLPP2::kMaxForCopies) + " copied elements"}}});

    // Forty attributes a copy spend the work long before the copy limit; so do
    // copies whose values grow when they are expanded again afterwards.
    std::string attributes;
    for (int n = 0; n < 40; ++n)
        attributes += " a" + std::to_string(n) + R"X(="$(i_ap_hex)-$(i_hex)-$(i)-$(i_alpha)-$(D)")X";
    const std::string macros = "D=" + std::string(64 * 1024, 'x');
    const std::string work = " after " + std::to_string(XMLPP2::kMaxAttributeWork) + " bytes of expanded attributes";
    const std::string stopped = kPrefix + "<for> stopped" + work,
                      leftAsWritten = kPrefix + "attributes left as written" + work;
    TempDir dir;
    for (const auto& [end, warnings] :
         {std::pair<std::string, std::vector<std::string>>{"0xFFFFFFFF", {stopped, leftAsWritten}},
          {"200", {leftAsWritten}}}) {
        SCOPED_TRACE(end);
        writeFile(dir.path() + "/main.xml",
                  R"X(<r><for index="i" start="0" end=")X" + end + R"X(" incr="1"><e)X" + attributes + "/></for></r>");
        Preprocessor document;
        ASSERT_TRUE(document.load((dir.path() + "/main.xml").c_str(), macros.c_str(), true));
        std::size_t copies = 0, bytes = 0;
        for (XMLNode* e = document.rootElement()->firstChild(); e; e = e->nextSibling(), ++copies)
            for (const XMLAttribute* a = e->toElement()->getAttributeList(); a; a = a->next)
                bytes += std::strlen(a->value);
        EXPECT_EQ(document.warnings, warnings);
        EXPECT_LE(copies, XMLPP2::kMaxAttributeWork / (40 * XMLPP2::kAttributeCost));
        EXPECT_LE(bytes, XMLPP2::kMaxAttributeWork + MacroSystem::kMaxGrowth);
    }
}

TEST(XmlPP2Test, SplicesKeepOrderAmongManySiblings)
{
    constexpr int kSiblings = 80000;
    std::string xml = "<r>";
    std::string expected = "r(";
    for (int i = 0; i < kSiblings; i += 4) {
        const std::string n = std::to_string(i);
        xml += R"X(<ifnot X="1"><no/></ifnot><if X="1"><a n=")X" + n + R"X("/><b/></if>)X";
        xml += R"X(<switch name="X"><case value="2"><no/></case><default><d n=")X" + n + R"X("/></default></switch>)X";
        xml += R"X(<define name="Y" value="1"/><for index="j" start="0" end="2" incr="1"><f j="$(j)"/></for>)X";
        expected += "a[n=" + n + "],b,d[n=" + n + "],f[j=0],f[j=1],";
    }
    xml += R"X(<k/><if X="1"/></r>)X";
    expected += "k)";
    expectCases({{xml.c_str(), expected.c_str(), {}}}, "X=1");
}

TEST(XmlPP2Test, IncludesGraftFilesRelativeToTheIncludingFile)
{
    TempDir dir;
    const std::string d = dir.path();
    writeFile(d + "/sub/envelope.xml", R"X(<envelope><a/><include filename="leaf.xml"/></envelope>)X");
    writeFile(d + "/sub/leaf.xml", R"X(<leaf/>)X");
    writeFile(d + "/plain.xml", R"X(<p x="1"><q/><if a="1"/></p>)X");
    writeFile(d + "/macros.xml", R"X(<m v="$(V)"><c w="$(V)$(W)"/></m>)X");
    writeFile(d + "/bad.xml", "<x>\n<y a='1'/></x>");
    writeFile(d + "/empty.xml", "");
    writeFile(d + "/main.xml", R"X(<r><include filename="sub/envelope.xml"/><include filename="plain.xml"/>
        <include filename="plain.xml" no_root="1"/><include filename="$(Here)/macros.xml" macros="V=7;&#10;W=8"
        expand_macros="1"/><include filename="missing.xml"><k/></include><include filename="bad.xml" no_root="">
        <k/></include><include filename="empty.xml"/><include/></r>)X");
    MacroSystem macros;
    macros.setSystemMacro("Here", d);
    Preprocessor document(macros);
    ASSERT_TRUE(document.load((d + "/main.xml").c_str()));
    EXPECT_EQ(dump(document.rootElement()), "r(a,leaf,p[x=1](q),q,m[v=7](c[w=78]),include[filename=missing.xml](k),k,"
                                            "include[filename=empty.xml],include)");
    EXPECT_EQ(document.warnings, (std::vector<std::string>{
                                     kPrefix + "error \"couldn't read " + d + "/missing.xml\" in include file " + d +
                                         "/missing.xml line:0",
                                     kPrefix + "error \"bad tagName\" in include file " + d + "/bad.xml line:1",
                                     kPrefix + "error: include file '" + d + "/empty.xml' is empty",
                                     kPrefix + "missing filename in <include>",
                                 }));

    // An include at the top replaces the root.
    writeFile(d + "/top.xml", R"X(<include filename="plain.xml" no_root="1"/>)X");
    Preprocessor top;
    ASSERT_TRUE(top.load((d + "/top.xml").c_str()));
    EXPECT_EQ(dump(top.rootElement()), "p[x=1](q)");
}

TEST(XmlPP2Test, IncludeCyclesAndFanOutEnd)
{
    TempDir dir;
    writeFile(dir.path() + "/self.xml", R"X(<s><include filename="self.xml"/></s>)X");
    writeFile(dir.path() + "/twice.xml", R"X(<s><include filename="twice.xml"/><include filename="twice.xml"/></s>)X");
    Preprocessor cycle;
    ASSERT_TRUE(cycle.load((dir.path() + "/self.xml").c_str()));
    EXPECT_EQ(cycle.warnings, std::vector<std::string>{kPrefix + "error: include file '" + dir.path() +
                                                       "/self.xml' is nested too deeply"});
    Preprocessor fanOut;
    ASSERT_TRUE(fanOut.load((dir.path() + "/twice.xml").c_str()));
    EXPECT_FALSE(fanOut.warnings.empty());
}

TEST(XmlPP2Test, ExpandsAttributesAndHandlesDeepTrees)
{
    expectCases({{R"X(<r a="$(N)" b="plain"><e b="$(N)x"/></r>)X", "r[a=5,b=plain](e[b=5x])", {}}}, "N=5", true);

    // Deep nesting is processed and copied without recursion.
    constexpr int kDepth = 100000;
    std::string xml = R"X(<r><for index="i" start="0" end="2" incr="1">)X";
    for (int i = 0; i < kDepth; ++i)
        xml += R"X(<if X="1">)X";
    xml += "<leaf/>";
    for (int i = 0; i < kDepth; ++i)
        xml += "</if>";
    xml += "</for></r>";
    expectCases({{xml.c_str(), "r(leaf,leaf)", {}}}, "X=1");
}

} // namespace
