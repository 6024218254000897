// Feeds arbitrary bytes to the XML parser, with text and comments kept or not
// as the first byte says, and reads every string of the resulting tree. Any
// crash, hang, sanitizer report or abort is a bug.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "xml/XML.h"

namespace {

std::size_t textBytes(XMLNode* node)
{
    switch (node->kind()) {
    case XMLNode::Kind::Element: {
        std::size_t bytes = std::strlen(node->toElement()->tagName());
        for (const XMLAttribute* a = node->toElement()->getAttributeList(); a; a = a->next)
            bytes += std::strlen(a->name) + std::strlen(a->value);
        return bytes;
    }
    case XMLNode::Kind::Data:
        return std::strlen(static_cast<XMLData*>(node)->data());
    case XMLNode::Kind::Comment:
        return std::strlen(static_cast<XMLComment*>(node)->comment());
    case XMLNode::Kind::CDATASection:
        return std::strlen(static_cast<XMLCDATASection*>(node)->CDATASection());
    }
    return 0;
}

// Without recursion: the fuzzer builds trees deeper than any stack.
std::size_t walk(XMLNode* root)
{
    std::size_t bytes = 0;
    std::vector<XMLNode*> pending{root};
    while (!pending.empty()) {
        XMLNode* node = pending.back();
        pending.pop_back();
        for (; node; node = node->nextSibling()) {
            bytes += textBytes(node);
            if (node->firstChild())
                pending.push_back(node->firstChild());
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::vector<char> text(data + 1, data + size);
    text.push_back('\0');
    XMLDocument document(data[0] & 1);
    XMLParser parser;
    {
        CurrentPoolScope scope(&document);
        if (XMLElement* root = parser.parse(&document, text.data())) {
            volatile std::size_t bytes = walk(root);
            (void)bytes;
        }
    }

    // Unless it fails, a parse that starts at a "<" runs to the end of the
    // text, so it must have counted every newline; otherwise the leading ones.
    const char* const begin = text.data();
    const char* const end = begin + std::strlen(begin);
    const char* start = std::find_if(begin, end, [](char c) { return !std::strchr(" \t\n\v\f\r", c); });
    const auto newlines = static_cast<unsigned>(std::count(begin, *start == '<' ? end : start, '\n'));
    if (parser.errorCode() == XMLParser::kNoError && parser.line() != newlines)
        std::abort();
    return 0;
}
