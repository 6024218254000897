#include "xml/XmlPP2.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "foundation/PathText.h"

namespace {

const std::string kPrefix = "XmlPP::processConditionals(): ";

std::vector<std::string> split(const char* text, char separator)
{
    std::vector<std::string> items;
    if (text == nullptr)
        return items;
    for (const char* p = text;;) {
        const char* end = std::strchr(p, separator);
        std::size_t length = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
        if (length > 0)
            items.emplace_back(p, length);
        if (end == nullptr)
            return items;
        p = end + 1;
    }
}

bool isAlternative(const char* list, const std::optional<std::string>& value)
{
    if (!value)
        return false;
    for (const std::string& item : split(list, ','))
        if (item == *value)
            return true;
    return false;
}

std::uint32_t readNumber(const char* text)
{
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0));
}

std::string hexadecimal(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The character with code `code`, as UTF-8; codes that are no character give U+FFFD.
std::string character(std::uint32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    std::string text;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    return text;
}

MacroTable indexMacros(const std::string& index, std::uint32_t i, std::uint32_t mul, std::uint32_t add)
{
    std::uint32_t ap = i * mul + add;
    return {{index, std::to_string(i)},
            {index + "_alpha", character(65 + i)},
            {index + "_hex", hexadecimal(i)},
            {index + "_ap", std::to_string(ap)},
            {index + "_ap_hex", hexadecimal(ap)}};
}

bool is(const XMLElement* element, const char* tag)
{
    return std::strcmp(element->tagName(), tag) == 0;
}

} // namespace

// What a sibling chain is processed with.
struct XMLPP2::Context {
    std::string fileName;
    MacroTable macros;
    bool expand;
    int includeDepth;
};

// A sibling chain being processed. When the chain is done and `owner` is set,
// the children of `source` take the owner's place in its parent.
struct XMLPP2::Frame {
    XMLNode* next;
    std::shared_ptr<const Context> context;
    XMLElement* owner = nullptr;
    XMLElement* source = nullptr;
};

XMLPP2::XMLPP2(const MacroSystem& macroSystem, bool keepText) : XMLDocument(keepText), macroSystem_(macroSystem) {}

bool XMLPP2::load(const char* fileName, const char* macros, bool expand)
{
    if (!XMLDocument::load(fileName))
        return false;
    // The starting list is split at ";" as it stands: it has no escapes.
    processConditionals(rootElement(), fileName, macroSystem_.macrosFromStringList(split(macros, ';')), expand);
    return true;
}

void XMLPP2::processConditionals(XMLNode* first, const std::string& fileName, const MacroTable& macros, bool expand)
{
    CurrentPoolScope scope(this);
    // An explicit stack rather than recursion, so that no file can nest deep enough
    // to overflow the call stack.
    std::vector<Frame> frames;
    frames.push_back({first, std::make_shared<const Context>(Context{fileName, macros, expand, 0})});
    while (!frames.empty()) {
        Frame& frame = frames.back();
        XMLNode* node = frame.next;
        if (node == nullptr) {
            Frame done = frame;
            frames.pop_back();
            finish(done);
            continue;
        }
        frame.next = node->nextSibling();
        if (XMLElement* element = node->toElement())
            visit(element, frames);
    }
}

void XMLPP2::finish(const Frame& done)
{
    XMLNode* parent = done.owner ? done.owner->parentNode() : nullptr;
    // Without a parent there is nowhere to splice into: the element stays.
    if (parent == nullptr)
        return;
    if (XMLNode* chain = done.source->firstChild())
        parent->reparentChildrenAfter(done.owner, chain);
    parent->removeChild(done.owner);
}

void XMLPP2::keep(XMLElement* element, std::vector<Frame>& frames)
{
    frames.push_back({element->firstChild(), frames.back().context});
}

void XMLPP2::splice(XMLElement* element, XMLElement* source, std::vector<Frame>& frames)
{
    frames.push_back({element->firstChild(), frames.back().context, element, source});
}

void XMLPP2::remove(XMLElement* element, std::vector<Frame>& frames)
{
    // The top-level element has no parent to be removed from; it stays instead.
    if (XMLNode* parent = element->parentNode())
        parent->removeChild(element);
    else
        keep(element, frames);
}

std::optional<std::string> XMLPP2::variable(const char* name, const MacroTable& macros) const
{
    std::string key = name ? name : "";
    if (auto found = defines_.find(key); found != defines_.end())
        return found->second;
    if (auto found = macros.find(key); found != macros.end())
        return found->second;
    return std::nullopt;
}

void XMLPP2::visit(XMLElement* element, std::vector<Frame>& frames)
{
    const Context& context = *frames.back().context;
    if (context.expand)
        expandAttributeMacros(element, context.macros);

    if (is(element, "if") || is(element, "ifnot")) {
        const XMLAttribute* condition = element->getAttributeList();
        if (condition == nullptr || condition->next != nullptr) {
            warning(kPrefix + "one condition required for <if[not]>");
            keep(element, frames);
            return;
        }
        bool holds = isAlternative(condition->value, variable(condition->name, context.macros));
        if (holds == is(element, "if"))
            splice(element, element, frames);
        else
            remove(element, frames);
    } else if (is(element, "ifdef") || is(element, "ifndef")) {
        bool defined = variable(element->attribute("name"), context.macros).has_value();
        if (defined == is(element, "ifdef"))
            splice(element, element, frames);
        else
            remove(element, frames);
    } else if (is(element, "switch")) {
        std::optional<std::string> value = variable(element->attribute("name"), context.macros);
        XMLElement* chosen = nullptr;
        XMLElement* fallback = nullptr;
        // Only "case" and "default" elements take part in the choice; other nodes are passed over.
        for (XMLNode* child = element->firstChild(); child && !chosen; child = child->nextSibling()) {
            XMLElement* option = child->toElement();
            if (option && is(option, "case") && isAlternative(option->attribute("value"), value))
                chosen = option;
            else if (option && is(option, "default"))
                fallback = option;
        }
        if (!chosen)
            chosen = fallback;
        if (chosen)
            splice(element, chosen, frames);
        else
            remove(element, frames);
    } else if (is(element, "define")) {
        const char* name = element->attribute("name");
        const char* value = element->attribute("value");
        if (name && value)
            defines_[name] = value;
        else
            warning(kPrefix + "missing name and/or value in <define>");
        remove(element, frames);
    } else if (is(element, "for")) {
        repeat(element, frames);
    } else if (is(element, "include")) {
        include(element, frames);
    } else {
        keep(element, frames);
    }
}

void XMLPP2::repeat(XMLElement* element, std::vector<Frame>& frames)
{
    XMLNode* parent = element->parentNode();
    if (parent == nullptr) {
        keep(element, frames);
        return;
    }
    const char* index = element->attribute("index");
    const char* start = element->attribute("start");
    const char* end = element->attribute("end");
    const char* incr = element->attribute("incr");
    if (!index || !start || !end || !incr || !element->firstChild()) {
        warning(kPrefix + "<for index=\"i\" start=\"0\" end=\"32\" incr=\"1\">");
        remove(element, frames);
        return;
    }
    const MacroTable& macros = frames.back().context->macros;
    const char* addText = element->attribute("add");
    const char* mulText = element->attribute("mul");
    std::uint32_t add = addText ? readNumber(macroSystem_.replaceMacros(macros, addText).c_str()) : 0;
    std::uint32_t mul = mulText ? readNumber(macroSystem_.replaceMacros(macros, mulText).c_str()) : 1;
    std::uint32_t first = readNumber(start);
    std::uint32_t last = readNumber(end);
    std::uint32_t step = readNumber(incr);
    // A step of 0 would repeat forever: such a loop makes no copies, and says so
    // only when its range is not empty, as only then would it have run.
    if (step == 0 && first < last)
        warning(kPrefix + "<for> with incr=\"0\" ignored");

    XMLNode* previous = element;
    // Counted in 64 bits, so an index that would wrap past 2^32 ends the loop instead.
    for (std::uint64_t i = first; step != 0 && i < last; i += step) {
        MacroTable table = indexMacros(index, static_cast<std::uint32_t>(i), mul, add);
        for (XMLNode* child = element->firstChild(); child; child = child->nextSibling()) {
            XMLElement* original = child->toElement();
            if (original == nullptr)
                continue;
            if (forCopies_ >= kMaxForCopies) {
                warning(kPrefix + "<for> stopped after " + std::to_string(kMaxForCopies) + " copied elements");
                step = 0;
                break;
            }
            if (attributeWork_ >= kMaxAttributeWork) {
                warning(kPrefix + "<for> stopped after " + std::to_string(kMaxAttributeWork) +
                        " bytes of expanded attributes");
                step = 0;
                break;
            }
            XMLElement* copy = copyElementAndExpandAttributeMacros(original, table);
            parent->reparentChildrenAfter(previous, copy);
            previous = copy;
        }
    }
    frames.back().next = element->nextSibling();
    parent->removeChild(element);
}

void XMLPP2::include(XMLElement* element, std::vector<Frame>& frames)
{
    const char* written = element->attribute("filename");
    if (written == nullptr) {
        warning(kPrefix + "missing filename in <include>");
        keep(element, frames);
        return;
    }
    std::shared_ptr<const Context> context = frames.back().context;
    std::string name = macroSystem_.replaceMacros(macroSystem_.systemMacros(), written);
    if (name.empty() || name[0] != '/')
        name = directoryPart(context->fileName) + "/" + name;

    XMLElement* previousRoot = rootElement();
    bool noRoot = element->hasAttribute("no_root");
    bool loaded = readInclude(name, context->includeDepth);
    if (!loaded) {
        setRootElement(previousRoot);
        if (noRoot)
            splice(element, element, frames);
        else
            keep(element, frames);
        return;
    }

    XMLElement* included = rootElement();
    bool envelope = false;
    if (XMLNode* parent = element->parentNode()) {
        parent->replaceChild(element, included);
        setRootElement(previousRoot);
        envelope = is(included, "envelope");
    }

    auto inner = std::make_shared<Context>(Context{name, context->macros, context->expand, context->includeDepth + 1});
    const char* macrosText = element->attribute("macros");
    if (macrosText && (context->expand || element->hasAttribute("expand_macros"))) {
        std::string text = macrosText;
        std::erase(text, '\n');
        inner->macros = macroSystem_.overwriteMacros(
            context->macros, macroSystem_.macrosFromStringList(MacroSystem::stringListFromString(text, false)));
        inner->expand = true;
    }
    if (inner->expand)
        expandAttributeMacros(included, inner->macros);
    bool unwrap = noRoot || envelope;
    frames.push_back({included->firstChild(), inner, unwrap ? included : nullptr, included});
}

bool XMLPP2::readInclude(const std::string& name, int depth)
{
    if (depth >= kMaxIncludeDepth) {
        warning(kPrefix + "error: include file '" + name + "' is nested too deeply");
        return false;
    }
    if (includesRead_ >= kMaxIncludes) {
        warning(kPrefix + "error: include file '" + name + "' is one too many");
        return false;
    }
    ++includesRead_;
    if (!XMLDocument::load(name.c_str())) {
        warning(kPrefix + "error \"" + errorMessage() + "\" in include file " + name +
                " line:" + std::to_string(errorLine()));
        return false;
    }
    if (rootElement() == nullptr) {
        warning(kPrefix + "error: include file '" + name + "' is empty");
        return false;
    }
    return true;
}

void XMLPP2::expandAttributeMacros(XMLElement* element, const MacroTable& macros)
{
    CurrentPoolScope scope(this);
    for (XMLAttribute* attribute = element->getAttributeList(); attribute; attribute = attribute->next) {
        if (std::strchr(attribute->value, '$') == nullptr)
            continue;
        if (attributeWork_ >= kMaxAttributeWork) {
            if (!std::exchange(leftAsWritten_, true))
                warning(kPrefix + "attributes left as written after " + std::to_string(kMaxAttributeWork) +
                        " bytes of expanded attributes");
            continue;
        }
        std::string expanded = expandCounted(macros, attribute->value);
        if (expanded != attribute->value)
            attribute->value = XMLNode::mkString(expanded);
    }
}

std::string XMLPP2::expandCounted(const MacroTable& macros, const char* value)
{
    MacroSystem::Expansion expansion;
    std::string expanded = macroSystem_.replaceMacros2(macros, value, expansion);
    attributeWork_ += expansion.work + expanded.size() + kAttributeCost;
    return expanded;
}

XMLElement* XMLPP2::copyElementAndExpandAttributeMacros(XMLElement* element, const MacroTable& macros)
{
    CurrentPoolScope scope(this);
    auto copyOne = [&](XMLElement* original) {
        XMLElement* copy = mkXMLElement(original->tagName());
        for (const XMLAttribute* a = original->getAttributeList(); a; a = a->next)
            copy->appendAttribute(a->name, XMLNode::mkString(expandCounted(macros, a->value)));
        ++forCopies_;
        return copy;
    };
    struct Level {
        XMLNode* next;
        XMLElement* copy;
        XMLNode* lastChild;
    };
    XMLElement* result = copyOne(element);
    // Iterative, like processConditionals, so that deep trees cannot overflow the stack.
    std::vector<Level> levels{{element->firstChild(), result, nullptr}};
    while (!levels.empty()) {
        Level& level = levels.back();
        XMLNode* node = level.next;
        if (node == nullptr) {
            levels.pop_back();
            continue;
        }
        level.next = node->nextSibling();
        XMLElement* original = node->toElement();
        if (original == nullptr)
            continue;
        XMLElement* copy = copyOne(original);
        if (level.lastChild)
            level.copy->reparentChildrenAfter(level.lastChild, copy);
        else
            level.copy->appendChild(copy);
        level.lastChild = copy;
        levels.push_back({original->firstChild(), copy, nullptr});
    }
    return result;
}
