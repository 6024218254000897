// A loaded tree as one line of text, for comparing trees in tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "xml/XML.h"

// Elements as name[attributes](children), text as "text", comments as #text, CDATA as !text.
inline std::string dump(XMLNode* node)
{
    switch (node->kind()) {
    case XMLNode::Kind::Data:
        return '"' + std::string(static_cast<XMLData*>(node)->data()) + '"';
    case XMLNode::Kind::Comment:
        return '#' + std::string(static_cast<XMLComment*>(node)->comment());
    case XMLNode::Kind::CDATASection:
        return '!' + std::string(static_cast<XMLCDATASection*>(node)->CDATASection());
    case XMLNode::Kind::Element:
        break;
    }
    XMLElement* element = node->toElement();
    std::string out = element->tagName();
    for (const XMLAttribute* a = element->getAttributeList(); a; a = a->next)
        out += (a == element->getAttributeList() ? "[" : ",") + std::string(a->name) + '=' + a->value;
    out += element->getAttributeList() ? "]" : "";
    // Every link is checked on the way: parent, both siblings and the last child.
    XMLNode* previous = nullptr;
    for (XMLNode* child = node->firstChild(); child; previous = child, child = child->nextSibling()) {
        EXPECT_EQ(child->parentNode(), node);
        EXPECT_EQ(child->previousSibling(), previous);
        out += (child == node->firstChild() ? "(" : ",") + dump(child);
    }
    EXPECT_EQ(node->lastChild(), previous);
    return out + (node->firstChild() ? ")" : "");
}
