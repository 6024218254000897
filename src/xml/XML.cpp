#include "xml/XML.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "foundation/UniqueFile.h"

// Nodes are bump-allocated at 8-byte steps from 16-aligned chunks.
static_assert(alignof(XMLElement) <= Pool::kGranularity && alignof(XMLData) <= Pool::kGranularity &&
              alignof(XMLComment) <= Pool::kGranularity && alignof(XMLCDATASection) <= Pool::kGranularity &&
              alignof(XMLAttribute) <= Pool::kGranularity);

// The tree-editing operations trust their preconditions: `old` and `after` must be children of this node.

void XMLNode::appendChild(XMLNode* child)
{
    child->parent_ = this;
    child->previous_ = lastChild_;
    child->next_ = nullptr;
    (lastChild_ ? lastChild_->next_ : firstChild_) = child;
    lastChild_ = child;
}

void XMLNode::prependChild(XMLNode* child)
{
    child->parent_ = this;
    child->previous_ = nullptr;
    child->next_ = firstChild_;
    (firstChild_ ? firstChild_->previous_ : lastChild_) = child;
    firstChild_ = child;
}

void XMLNode::removeChild(XMLNode* child)
{
    // A removed node keeps its links, so the parent alone does not say it is
    // still linked; the link from its predecessor (or from this node) does.
    if (child->parent_ != this || (child->previous_ ? child->previous_->next_ : firstChild_) != child)
        return;
    (child->previous_ ? child->previous_->next_ : firstChild_) = child->next_;
    (child->next_ ? child->next_->previous_ : lastChild_) = child->previous_;
}

void XMLNode::replaceChild(XMLNode* old, XMLNode* replacement)
{
    replacement->parent_ = old->parent_;
    replacement->previous_ = old->previous_;
    replacement->next_ = old->next_;
    (old->previous_ ? old->previous_->next_ : firstChild_) = replacement;
    (old->next_ ? old->next_->previous_ : lastChild_) = replacement;
}

void XMLNode::reparentChildrenAfter(XMLNode* after, XMLNode* chain)
{
    if (chain == nullptr) {
        // An empty chain leaves a child list as it is and an empty one empty.
        return;
    }
    XMLNode* last = chain;
    for (XMLNode* node = chain; node; node = node->next_) {
        node->parent_ = this;
        if (node->next_)
            node->next_->previous_ = node;
        last = node;
    }
    if (!firstChild_) {
        chain->previous_ = nullptr;
        firstChild_ = chain;
        lastChild_ = last;
        return;
    }
    last->next_ = after->next_;
    (after->next_ ? after->next_->previous_ : lastChild_) = last;
    after->next_ = chain;
    chain->previous_ = after;
}

XMLElement* XMLNode::toElement()
{
    return kind_ == Kind::Element ? static_cast<XMLElement*>(this) : nullptr;
}

char* XMLNode::mkString(const char* text, std::size_t length)
{
    char* copy = static_cast<char*>(Pool::current().allocate(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void XMLElement::setTagName(const char* tag)
{
    tagName_ = tag;
}

const char* XMLElement::tagName() const
{
    return tagName_;
}

namespace {

XMLAttribute* findAttribute(XMLAttribute* list, const char* name)
{
    while (list && std::strcmp(list->name, name) != 0)
        list = list->next;
    return list;
}

} // namespace

void XMLElement::setAttribute(const char* name, const char* value)
{
    if (XMLAttribute* existing = findAttribute(attributes_, name)) {
        existing->value = value;
        return;
    }
    appendAttribute(name, value);
}

void XMLElement::appendAttribute(const char* name, const char* value)
{
    auto* added = new XMLAttribute(name, value);
    (lastAttribute_ ? lastAttribute_->next : attributes_) = added;
    lastAttribute_ = added;
}

void XMLElement::removeAttribute(const char* name)
{
    XMLAttribute* previous = nullptr;
    for (XMLAttribute* a = attributes_; a; previous = a, a = a->next) {
        if (std::strcmp(a->name, name) == 0) {
            (previous ? previous->next : attributes_) = a->next;
            if (lastAttribute_ == a)
                lastAttribute_ = previous;
            return;
        }
    }
}

bool XMLElement::hasAttribute(const char* name) const
{
    return findAttribute(attributes_, name) != nullptr;
}

const char* XMLElement::attribute(const char* name) const
{
    const XMLAttribute* found = findAttribute(attributes_, name);
    return found ? found->value : nullptr;
}

XMLAttribute* XMLElement::getAttributeList()
{
    return attributes_;
}

XMLDocument::XMLDocument(bool keepText) : keepText_(keepText) {}

XMLElement* XMLDocument::mkXMLElement(const char* tag)
{
    return new XMLElement(tag);
}

namespace {

// Larger files are refused as unreadable: no file the system reads comes near this.
constexpr off_t kMaxFileSize = off_t{1} << 30;

// The whole file followed by a NUL, or null. A directory opens on Linux but
// cannot be read, so only regular files are accepted.
std::unique_ptr<char[]> readWholeFile(const char* path)
{
    const UniqueFile file(std::fopen(path, "rb"));
    if (!file)
        return nullptr;
    std::unique_ptr<char[]> text;
    struct stat info;
    if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileSize) {
        const auto size = static_cast<std::size_t>(info.st_size);
        text.reset(new char[size + 1]);
        // A file that shrank since fstat is taken as it is now.
        const std::size_t got = std::fread(text.get(), 1, size, file.get());
        text[got] = '\0';
        if (std::ferror(file.get()))
            text.reset();
    }
    return text;
}

} // namespace

bool XMLDocument::load(const char* path)
{
    const std::unique_ptr<char[]> text = readWholeFile(path);
    if (!text) {
        std::snprintf(errorMessage_, sizeof errorMessage_, "couldn't read %s", path);
        errorLine_ = 0;
        return false;
    }
    XMLParser parser;
    {
        CurrentPoolScope scope(this);
        root_ = parser.parse(this, text.get());
    }
    errorLine_ = parser.line();
    switch (parser.errorCode()) {
    case XMLParser::kBadName:
        std::snprintf(errorMessage_, sizeof errorMessage_, "bad tagName");
        return false;
    case XMLParser::kTagMismatch:
        std::snprintf(errorMessage_, sizeof errorMessage_, "tagName mismatch");
        return false;
    default:
        errorMessage_[0] = '\0';
        return true;
    }
}
