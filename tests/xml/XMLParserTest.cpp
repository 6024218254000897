#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/files.h"
#include "xml/TreeDump.h"
#include "xml/XML.h"

using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The tree of the loaded file, or "message@line".
std::string load(const TempDir& dir, const std::string& text, bool keepText = false)
{
    writeFile(dir.path() + "/in.xml", text);
    XMLDocument document(keepText);
    if (!document.load((dir.path() + "/in.xml").c_str()))
        return document.errorMessage() + ("@" + std::to_string(document.errorLine()));
    return document.rootElement() ? dump(document.rootElement()) : "";
}

// Parses an exactly sized copy, so that reading past the end is caught by the sanitizers.
XMLElement* parseExactly(XMLDocument& document, const std::string& text, XMLParser& parser)
{
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    CurrentPoolScope scope(&document);
    return parser.parse(&document, copy.get());
}

} // namespace

TEST(XMLParser, ParsesTheDialect)
{
    struct Case {
        const char* text;
        bool keepText;
        const char* expected;
    } const cases[] = {
        {"", false, ""},
        {"\xEF\xBB\xBF<a/>", false, ""},
        {" \n<a>", false, ""},
        {"<a/><b/>", false, "b"},
        {"</x><a/></y>", false, "a"},
        {"<a\n\nx='1'/>", false, "bad tagName@2"},
        {"<a>\n<b>\n</c>", false, "tagName mismatch@2"},
        // A newline in every kind of construct, each counted once.
        {"<?xml version=\"\n\" encoding\n=\n\"x\"?>\n<!DOCTYPE\nd>\n<a\nx=\"\n&amp;\n\"\n>\n<!--\n-->\n<![CDATA[\n]]>\n"
         "<?pi\n?>\n<!-\n-->\n</b\n>",
         true, "tagName mismatch@20"},
        {"<a x=v y=\"2\" z/>", false, "a[y=2]"},
        {"<a><b/ ><c></ ><d></></a>", false, "a(b,c,d)"},
        {"<a></a x>", false, ""},
        {"<a x=\"&amp;&lt;&gt;&quot;&#65;&#x41;&apos;\"/>", false, "a[x=&amp;<>\"AA&apos;]"},
        {"<a x=\"1&#;2\"/>", false, "a[x=1]"},
        {"<a x=\"&#x4A;&#1z;&#300;&#6 5;&#65\"/>", false, "a[x=J-,&#6 5;&#65]"},
        {"<a><![CDATA[x<y]]]></a>", false, "a(!x<y])"},
        {"<a><!-- c ---></a>", false, "a"},
        {"<a><!-- c ---></a>", true, "a(\"\",# c -,\"\")"},
        {"<a>\r\nx &lt; y&#13;<b/>z</a>", true, "a(\"\nx < y\",b,\"z\")"},
        {"<a><?pi some?><!ELEMENT x><!-y--></a>", true, "a(\"\",\"some?>\",\"x>\",\"y-->\")"},
    };
    TempDir dir;
    for (const Case& c : cases)
        EXPECT_EQ(load(dir, c.text, c.keepText), c.expected) << c.text;
}

TEST(XMLParser, RecordsDeclarationAndDocumentType)
{
    TempDir dir;
    writeFile(dir.path() + "/s.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE Ambrel_Project_File>\n"
                                     "<solution Name=\"s\"/>");
    writeFile(dir.path() + "/odd.xml", "<?xml version='1.0' encoding=\"x\" -?><!DOCTYPE a b><a/>");
    XMLDocument document(false);
    ASSERT_TRUE(document.load((dir.path() + "/s.xml").c_str()));
    EXPECT_STREQ(document.version(), "1.0");
    EXPECT_STREQ(document.encoding(), "UTF-8");
    EXPECT_STREQ(document.docType(), "Ambrel_Project_File");
    EXPECT_EQ(document.errorLine(), 2u);

    XMLDocument odd(false);
    ASSERT_TRUE(odd.load((dir.path() + "/odd.xml").c_str()));
    EXPECT_EQ(odd.version(), nullptr);
    EXPECT_STREQ(odd.encoding(), "x");
    EXPECT_EQ(odd.docType(), nullptr);
    EXPECT_STREQ(odd.rootElement()->tagName(), "a");

    // A failed read leaves the earlier root in place.
    for (const std::string& path : {dir.path() + "/missing", dir.path()}) {
        EXPECT_FALSE(document.load(path.c_str()));
        EXPECT_EQ(document.errorMessage(), "couldn't read " + path);
        EXPECT_EQ(document.errorLine(), 0u);
        EXPECT_STREQ(document.rootElement()->tagName(), "solution");
    }
    EXPECT_FALSE(document.load((dir.path() + "/" + std::string(2000, 'x')).c_str()));
    EXPECT_EQ(std::strlen(document.errorMessage()), 1023u);
}

TEST(XMLParser, SurvivesHostileInput)
{
    const std::string sample = "<?xml version=\"1.0\"?><!DOCTYPE d><d a=\"x&#65;&lt;\" b=\"\">t<!-- c --><![CDATA[z]]>"
                               "<e/>&#x41;<?p q?></d>";
    for (bool keepText : {false, true}) {
        for (std::size_t length = 0; length <= sample.size(); ++length) {
            XMLDocument document(keepText);
            XMLParser parser;
            XMLElement* root = parseExactly(document, sample.substr(0, length), parser);
            EXPECT_EQ(parser.errorCode(), XMLParser::kNoError);
            EXPECT_EQ(root != nullptr, length == sample.size());
        }
    }

    const std::size_t depth = 1000000;
    std::string deep;
    for (std::size_t i = 0; i < depth; ++i)
        deep += "<a>";
    for (std::size_t i = 0; i < depth; ++i)
        deep += "</a>";
    XMLDocument document(false);
    XMLParser parser;
    std::size_t levels = 0;
    for (XMLNode* node = parseExactly(document, deep, parser); node; node = node->firstChild())
        ++levels;
    EXPECT_EQ(levels, depth);

    // 100000 attributes, then a repeat of the first: linear time, first place kept.
    std::string wide = "<a";
    for (int i = 0; i < 100000; ++i)
        wide += " n" + std::to_string(i) + "=\"" + std::to_string(i) + '"';
    XMLElement* root = parseExactly(document, wide + " n0=\"last\"/>", parser);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->getAttributeList()->value, "last");
    EXPECT_STREQ(root->attribute("n99999"), "99999");
}

TEST(XMLNode, EditsChildLists)
{
    Pool pool;
    CurrentPoolScope scope(&pool);
    auto* parent = new XMLElement("p");
    XMLElement* nodes[8];
    for (int i = 0; i < 8; ++i)
        nodes[i] = new XMLElement(XMLNode::mkString(std::string(1, static_cast<char>('a' + i))));
    auto [a, b, c, d, e, f, g, h] = nodes;
    parent->appendChild(b);
    parent->appendChild(c);
    parent->prependChild(a);
    EXPECT_EQ(dump(parent), "p(a,b,c)");
    parent->removeChild(b);
    parent->removeChild(f); // not a child: nothing changes
    EXPECT_EQ(dump(parent), "p(a,c)");
    parent->replaceChild(c, d);
    EXPECT_EQ(dump(parent), "p(a,d)");
    e->appendChild(f);
    e->appendChild(g);
    parent->reparentChildrenAfter(a, f);
    EXPECT_EQ(dump(parent), "p(a,f,g,d)");
    h->reparentChildrenAfter(nullptr, c);
    EXPECT_EQ(dump(h), "h(c)");

    // Removed and moved nodes keep stale links: removing them again changes
    // nothing, and appending one takes the node alone, not its old followers.
    parent->removeChild(f);
    parent->removeChild(f);
    parent->removeChild(b);
    e->removeChild(g); // moved to `parent` since
    EXPECT_EQ(dump(parent), "p(a,g,d)");
    h->appendChild(f);
    EXPECT_EQ(dump(h), "h(c,f)");
    parent->removeChild(d);
    auto* i = new XMLElement("i");
    parent->appendChild(b);
    parent->prependChild(i);
    parent->replaceChild(b, d);
    parent->reparentChildrenAfter(d, b);
    EXPECT_EQ(dump(parent), "p(i,a,g,d,b)");
    parent->removeChild(i);
    parent->removeChild(b);
    parent->appendChild(i);
    EXPECT_EQ(dump(parent), "p(a,g,d,i)");

    parent->setAttribute("x", "1");
    parent->setAttribute("y", "2");
    parent->setAttribute("x", "3");
    parent->removeAttribute("y");
    parent->setAttribute("z", "4");
    EXPECT_EQ(dump(parent).substr(0, 12), "p[x=3,z=4](a");
    EXPECT_FALSE(parent->hasAttribute("y"));
    EXPECT_EQ(parent->attribute("y"), nullptr);
}

TEST(XMLEntities, ReplaceWholeTextInOrder)
{
    EXPECT_EQ(xmlUnescapeEntities("&amp;lt; &middot;&nbsp;&apos;&quot;&gt;"), "< \xC2\xB7 '\">");
    EXPECT_EQ(xmlEscapeEntities("a<b>&'\"\xC2\xB7"), "a&lt;b&gt;&amp;&apos;&quot;&middot;");
}
