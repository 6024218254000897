#pragma once

#include <string>

#include "xml/Pool.h"

class XMLElement;

// One node of a document tree. Children form a doubly linked list in document
// order, and a node knows its last child, so that every edit of a child list
// takes constant time whatever the number of siblings (moving a chain takes time
// in the chain's length). The tree-editing operations trust the caller's
// preconditions, except that removing a node that is not a child is harmless.
class XMLNode : public PoolObject {
public:
    enum class Kind { Element, Data, Comment, CDATASection };

    virtual ~XMLNode() = default;

    // Links the one node `child` after the last child (whatever siblings it had
    // before are not taken along) and makes this node its parent.
    virtual void appendChild(XMLNode* child);
    // Makes the one node `child` the first child.
    virtual void prependChild(XMLNode* child);
    // Unlinks `child`, which keeps its own links; a node that is not a child (also
    // one removed before) changes nothing.
    virtual void removeChild(XMLNode* child);
    // `replacement` takes the place of the child `old`, with its next sibling and parent.
    virtual void replaceChild(XMLNode* old, XMLNode* replacement);
    // Inserts the sibling chain starting at `chain` directly after the child `after`
    // (as the child list when there are no children) and makes this node its parent.
    virtual void reparentChildrenAfter(XMLNode* after, XMLNode* chain);

    Kind kind() const { return kind_; }
    XMLNode* parentNode() const { return parent_; }
    XMLNode* nextSibling() const { return next_; }
    XMLNode* previousSibling() const { return previous_; }
    XMLNode* firstChild() const { return firstChild_; }
    XMLNode* lastChild() const { return lastChild_; }
    // This node as an element, or null when it is not one.
    XMLElement* toElement();

    // A NUL-terminated copy of `length` bytes of `text`, in the current pool.
    static char* mkString(const char* text, std::size_t length);
    static char* mkString(const std::string& text) { return mkString(text.data(), text.size()); }

protected:
    explicit XMLNode(Kind kind) : kind_(kind) {}

private:
    friend class XMLParser;

    Kind kind_;
    XMLNode* parent_ = nullptr;
    XMLNode* next_ = nullptr;
    XMLNode* previous_ = nullptr;
    XMLNode* firstChild_ = nullptr;
    XMLNode* lastChild_ = nullptr;
};

// One (name, value) pair of an element; the list is in document order.
struct XMLAttribute : PoolObject {
    const char* name;
    const char* value;
    XMLAttribute* next = nullptr;
    XMLAttribute(const char* n, const char* v) : name(n), value(v) {}
};

class XMLElement : public XMLNode {
public:
    explicit XMLElement(const char* tag) : XMLNode(Kind::Element), tagName_(tag) {}

    virtual void setTagName(const char* tag);
    virtual const char* tagName() const;
    // Replaces the value in place when the name exists, else appends the pair.
    // The pointers are kept: they must live as long as the document.
    virtual void setAttribute(const char* name, const char* value);
    virtual void removeAttribute(const char* name);
    virtual bool hasAttribute(const char* name) const;
    // The value of the first attribute called `name`, or null.
    virtual const char* attribute(const char* name) const;
    virtual XMLAttribute* getAttributeList();
    // Appends without looking for an earlier attribute of that name, for callers
    // that know the name is new (copies of an element).
    void appendAttribute(const char* name, const char* value);
    const XMLAttribute* getAttributeList() const { return attributes_; }

private:
    friend class XMLParser;

    const char* tagName_;
    XMLAttribute* attributes_ = nullptr;
    XMLAttribute* lastAttribute_ = nullptr;
};

class XMLData : public XMLNode {
public:
    explicit XMLData(const char* text) : XMLNode(Kind::Data), data_(text) {}
    virtual void setData(const char* text) { data_ = text; }
    virtual const char* data() const { return data_; }

private:
    const char* data_;
};

class XMLComment : public XMLNode {
public:
    explicit XMLComment(const char* text) : XMLNode(Kind::Comment), comment_(text) {}
    virtual void setComment(const char* text) { comment_ = text; }
    virtual const char* comment() const { return comment_; }

private:
    const char* comment_;
};

class XMLCDATASection : public XMLNode {
public:
    explicit XMLCDATASection(const char* text) : XMLNode(Kind::CDATASection), text_(text) {}
    virtual void setCDATASection(const char* text) { text_ = text; }
    virtual const char* CDATASection() const { return text_; }

private:
    const char* text_;
};

// A loaded document and the arena that holds every node and string of it.
class XMLDocument : public Pool {
public:
    // With `keepText` false, character data and comments are not kept.
    explicit XMLDocument(bool keepText);
    virtual ~XMLDocument() = default;

    // The factory through which the parser creates every element.
    virtual XMLElement* mkXMLElement(const char* tag);

    // Reads and parses the whole file. False with errorMessage() "couldn't read
    // <path>" (root unchanged, line 0), "bad tagName" or "tagName mismatch" (root
    // null, errorLine() = newlines before the failing point).
    bool load(const char* path);

    bool keepText() const { return keepText_; }
    XMLElement* rootElement() const { return root_; }
    void setRootElement(XMLElement* root) { root_ = root; }
    const char* docType() const { return docType_; }
    const char* version() const { return version_; }
    const char* encoding() const { return encoding_; }
    const char* errorMessage() const { return errorMessage_; }
    unsigned errorLine() const { return errorLine_; }

private:
    friend class XMLParser;

    bool keepText_;
    const char* docType_ = nullptr;
    const char* version_ = nullptr;
    const char* encoding_ = nullptr;
    XMLElement* root_ = nullptr;
    char errorMessage_[1024] = {};
    unsigned errorLine_ = 0;
};

// The state of one parse of a NUL-terminated text (the text ends at its first NUL).
class XMLParser {
public:
    enum Error { kNoError = 0, kBadName = 1, kTagMismatch = 2 };

    // The last top-level element closed, or null; nodes go into the current pool.
    XMLElement* parse(XMLDocument* document, const char* text);
    // A NUL-terminated copy of the current token in `document`'s pool, with
    // entity references decoded when `decode` is set.
    char* getStringFromBuffer(XMLDocument* document, bool decode);

    int errorCode() const { return error_; }
    unsigned line() const { return line_; }

private:
    class Run;

    const char* tokenStart_ = nullptr;
    const char* tokenEnd_ = nullptr;
    const char* cursor_ = nullptr;
    unsigned line_ = 0;
    int error_ = kNoError;
    bool keepText_ = false;
};

// Whole-text replacements of the named entities "&amp;", "&lt;", "&gt;",
// "&quot;", "&apos;", "&nbsp;" and "&middot;", and the reverse.
std::string xmlUnescapeEntities(const std::string& text);
std::string xmlEscapeEntities(const std::string& text);
