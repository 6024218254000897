// The parser: one pass over a NUL-terminated text, no recursion. Open elements
// live on an explicit stack, so nesting depth is bounded by memory only.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "xml/XML.h"
#include "xml/XMLEntities.h"

namespace {

enum CharClass : unsigned char { kNameChar = 1, kNameStart = 2, kSpace = 4 };

constexpr std::array<unsigned char, 256> makeClassTable()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
            table[c] |= kNameChar | kNameStart;
        if (c >= '0' && c <= '9')
            table[c] |= kNameChar;
        if (c == ' ' || (c >= '\t' && c <= '\r'))
            table[c] |= kSpace;
    }
    return table;
}

constexpr std::array<unsigned char, 256> kClasses = makeClassTable();

inline bool isClass(char c, CharClass what)
{
    return kClasses[static_cast<unsigned char>(c)] & what;
}

// No scan passes the terminating NUL: it is neither a name character nor space.
inline const char* skipName(const char* p)
{
    while (isClass(*p, kNameChar))
        ++p;
    return p;
}

// The first of the bytes `Stops` in [p, end), or `end`; sixteen bytes at a
// time where SSE2 is available (every x86-64).
template <char... Stops> inline const char* findFirstOf(const char* p, const char* end)
{
#ifdef __SSE2__
    for (; end - p >= 16; p += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int marks = _mm_movemask_epi8((_mm_cmpeq_epi8(block, _mm_set1_epi8(Stops)) | ...));
        if (marks != 0)
            return p + std::countr_zero(static_cast<unsigned>(marks));
    }
#endif
    while (p < end && ((*p != Stops) && ...))
        ++p;
    return p;
}

// A NUL-terminated copy of [begin, end) in `pool`, decoded when `decode` is set.
[[gnu::always_inline]] inline char* copyText(Pool& pool, const char* begin, const char* end, bool decode)
{
    const auto length = static_cast<std::size_t>(end - begin);
    char* text = static_cast<char*>(pool.allocate(length + 1));
    if (decode) {
        *decodeEntities(text, begin, end) = '\0';
    } else {
        std::memcpy(text, begin, length);
        text[length] = '\0';
    }
    return text;
}

template <typename Word> inline Word loadWord(const char* p)
{
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Whether the `length` bytes at `a` and `b` are equal. Names are short, and
// comparing whole words (the last one overlapping the one before) beats a
// call to memcmp.
inline bool sameBytes(const char* a, const char* b, std::size_t length)
{
    if (length >= 8) {
        for (std::size_t i = 0; i + 8 < length; i += 8)
            if (loadWord<std::uint64_t>(a + i) != loadWord<std::uint64_t>(b + i))
                return false;
        return loadWord<std::uint64_t>(a + length - 8) == loadWord<std::uint64_t>(b + length - 8);
    }
    if (length >= 4)
        return loadWord<std::uint32_t>(a) == loadWord<std::uint32_t>(b) &&
               loadWord<std::uint32_t>(a + length - 4) == loadWord<std::uint32_t>(b + length - 4);
    for (; length > 0; ++a, ++b, --length)
        if (*a != *b)
            return false;
    return true;
}

// Whether the C string `text` is `name`; it stops at the first difference, so
// it never reads past the end of `text`.
inline bool isName(const char* text, std::string_view name)
{
    for (char c : name)
        if (*text++ != c)
            return false;
    return *text == '\0';
}

// Start tags hold a handful of attributes and are scanned for duplicates
// linearly; past this many, a hash index keeps huge tags linear.
constexpr std::size_t kLinearAttributes = 16;

} // namespace

class XMLParser::Run {
public:
    Run(XMLParser& parser, XMLDocument* document, const char* end) : parser_(parser), document_(document), end_(end) {}

    // Parses the whole text; returns where the parse stopped.
    const char* parse(const char* text);
    XMLElement* result() const { return result_; }
    int error() const { return error_; }
    // The newlines passed over so far: each scan below counts the ones it passes.
    unsigned lines() const { return lines_; }

private:
    struct OpenElement {
        XMLElement* element;
    };
    struct Name {
        const char* text = nullptr;
        std::size_t length = 0;
    };
    struct TagAttribute {
        XMLAttribute* attribute;
        std::size_t nameLength;
    };

    // Each construct handler starts after its opening bytes and returns where
    // the character data after the construct begins, or null when the parse
    // ends (at stop_).
    const char* instruction(const char* p);
    const char* comment(const char* p);
    const char* markup(const char* p);
    const char* endTag(const char* p);
    const char* startTag(const char* p);
    const char* attributes(XMLElement* element, const char* p);

    void characterData(const char* begin, const char* end);
    // Links `child` after the last child of the innermost open element.
    void append(XMLNode* child);
    void closeElement();
    const char* stop(const char* at, int error = kNoError)
    {
        stop_ = at;
        error_ = error;
        return nullptr;
    }
    const char* skipSpace(const char* p)
    {
        while (isClass(*p, kSpace))
            lines_ += *p++ == '\n';
        return p;
    }
    // Up to the closing '"' (or the end of the text); notes whether an '&' was passed.
    const char* skipQuoted(const char* p, bool& entities)
    {
        for (;; ++p) {
            p = findFirstOf<'"', '&', '\n'>(p, end_);
            if (*p == '\n')
                ++lines_;
            else if (*p == '&')
                entities = true;
            else
                return p;
        }
    }
    // Up to the next '<' (or the end of the text). Runs between tags are mostly
    // a newline and indentation, so one pass finds the '<' and counts the
    // newlines before it.
    const char* skipData(const char* p)
    {
#ifdef __SSE2__
        for (; end_ - p >= 16; p += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const auto tags = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('<'))));
            auto newlines = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))));
            if (tags != 0)
                newlines &= (tags & -tags) - 1;
            for (; newlines != 0; newlines &= newlines - 1)
                ++lines_;
            if (tags != 0)
                return p + std::countr_zero(tags);
        }
#endif
        for (; p < end_ && *p != '<'; ++p)
            lines_ += *p == '\n';
        return p;
    }
    // Over the rest of the text, for a construct that is never closed.
    const char* skipAll(const char* p)
    {
        countLines(p, end_);
        return end_;
    }
    void countLines(const char* begin, const char* end)
    {
        lines_ += static_cast<unsigned>(std::count(begin, end, '\n'));
    }
    [[gnu::always_inline]] char* copy(const char* begin, const char* end, bool decode)
    {
        parser_.tokenStart_ = begin;
        parser_.tokenEnd_ = end;
        return copyText(*document_, begin, end, decode);
    }
    // Tag and attribute names repeat throughout a file, so one pooled copy of
    // each recently seen name serves all its uses.
    [[gnu::always_inline]] const char* pooledName(const char* begin, const char* end)
    {
        const auto length = static_cast<std::size_t>(end - begin);
        if (length == 0)
            return copy(begin, end, false);
        const auto first = static_cast<unsigned char>(*begin), last = static_cast<unsigned char>(end[-1]);
        Name& slot = recentNames_[(length * 31 + first * 7 + last) % recentNames_.size()];
        if (slot.length != length || !sameBytes(slot.text, begin, length))
            slot = {copy(begin, end, false), length};
        return slot.text;
    }

    XMLParser& parser_;
    XMLDocument* document_;
    const char* end_; // the text's terminating NUL
    unsigned lines_ = 0;
    const char* stop_ = nullptr;
    int error_ = kNoError;
    XMLElement* result_ = nullptr;
    std::vector<OpenElement> open_;
    std::unordered_map<std::string_view, XMLAttribute*> attributeIndex_;
    std::array<Name, 64> recentNames_{};
    // The attributes of the start tag being read, while few enough to scan.
    std::vector<TagAttribute> tagAttributes_;
};

const char* XMLParser::Run::parse(const char* text)
{
    const char* p = skipSpace(text);
    if (*p != '<')
        return p;
    for (;;) {
        const char* q = p + 1;
        switch (*q) {
        case '?':
            q = instruction(q + 1);
            break;
        case '!':
            // "<!-" without a second "-" is no comment: what follows it is character data.
            q = q[1] != '-' ? markup(q + 1) : q[2] == '-' ? comment(q + 3) : q + 2;
            break;
        case '/':
            q = endTag(q + 1);
            break;
        default:
            q = startTag(q);
            break;
        }
        if (!q)
            return stop_;
        const char* next = skipData(q);
        if (parser_.keepText_ && !open_.empty())
            characterData(q, next);
        if (*next == '\0')
            return next;
        p = next;
    }
}

const char* XMLParser::Run::instruction(const char* p)
{
    const char* targetEnd = skipName(p);
    const bool declaration = std::string_view(p, static_cast<std::size_t>(targetEnd - p)) == "xml";
    p = skipSpace(targetEnd);
    if (!declaration)
        return p;
    while (*p != '?' && *p) {
        const char* nameEnd = skipName(p);
        const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
        const char* q = skipSpace(nameEnd);
        if (*q == '=') {
            q = skipSpace(q + 1);
            if (*q == '"') {
                bool entities = false;
                const char* valueEnd = skipQuoted(q + 1, entities);
                if (name == "version")
                    document_->version_ = copy(q + 1, valueEnd, false);
                else if (name == "encoding")
                    document_->encoding_ = copy(q + 1, valueEnd, false);
                q = skipSpace(valueEnd + (*valueEnd == '"'));
            }
        }
        // A byte that starts none of these (a single quote, "-", ...) is skipped on its own.
        p = q == p ? p + 1 : q;
    }
    if (*p == '?' && *++p == '>')
        ++p;
    return p;
}

const char* XMLParser::Run::comment(const char* p)
{
    // The first "-->" ends the comment, so extra dashes before it ("--->") stay in the text.
    const char* close = std::strstr(p, "-->");
    if (!close)
        return stop(skipAll(p));
    countLines(p, close);
    if (parser_.keepText_ && !open_.empty())
        append(new XMLComment(copy(p, close, false)));
    return close + 3;
}

const char* XMLParser::Run::markup(const char* p)
{
    const char* nameEnd = skipName(p);
    const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
    p = skipSpace(nameEnd);
    if (name.empty()) {
        // A CDATA section: "[", a name (normally "CDATA"), "[", each skipped
        // without checking, but never past the end.
        p += *p != '\0';
        p = skipSpace(skipName(p));
        p += *p != '\0';
        // As with comments, the first "]]>" ends it and extra "]" stay in the text.
        const char* close = std::strstr(p, "]]>");
        if (!close)
            return stop(skipAll(p));
        countLines(p, close);
        if (!open_.empty())
            append(new XMLCDATASection(copy(p, close, false)));
        return close + 3;
    }
    if (name == "DOCTYPE") {
        const char* typeEnd = skipName(p);
        if (*typeEnd != '>')
            return typeEnd;
        document_->docType_ = copy(p, typeEnd, false);
        return typeEnd + 1;
    }
    return p;
}

const char* XMLParser::Run::endTag(const char* p)
{
    if (*p == '>') {
        closeElement();
        return p + 1;
    }
    const char* nameEnd = skipName(p);
    const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
    p = skipSpace(nameEnd);
    if (!name.empty() && !open_.empty() && !isName(open_.back().element->tagName_, name))
        return stop(p, kTagMismatch);
    if (*p != '>')
        return p;
    closeElement();
    return p + 1;
}

const char* XMLParser::Run::startTag(const char* p)
{
    const char* nameEnd = skipName(p);
    XMLElement* element = document_->mkXMLElement(pooledName(p, nameEnd));
    open_.push_back({element});
    p = attributes(element, skipSpace(nameEnd));
    if (p && *p == '>')
        return p + 1;
    // "/" works as an end tag, so "/>" closes the element at once.
    if (p && *p == '/')
        return endTag(p + 1);
    return p;
}

const char* XMLParser::Run::attributes(XMLElement* element, const char* p)
{
    tagAttributes_.clear();
    bool indexed = false;
    while (*p != '/' && *p != '>' && *p) {
        if (!isClass(*p, kNameStart))
            return stop(p, kBadName);
        const char* nameEnd = skipName(p + 1);
        const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
        p = skipSpace(nameEnd);
        if (*p != '=')
            continue;
        p = skipSpace(p + 1);
        // Without a double quote the value is dropped and read on as attribute names.
        if (*p != '"')
            continue;
        bool entities = false;
        const char* valueEnd = skipQuoted(p + 1, entities);
        const char* value = copy(p + 1, valueEnd, entities);
        p = skipSpace(valueEnd + (*valueEnd == '"'));

        // A repeated name keeps its first place and takes the new value.
        XMLAttribute* existing = nullptr;
        XMLAttribute** indexSlot = nullptr;
        if (!indexed && tagAttributes_.size() <= kLinearAttributes) {
            for (const TagAttribute& a : tagAttributes_) {
                if (a.nameLength == name.size() && sameBytes(a.attribute->name, name.data(), name.size())) {
                    existing = a.attribute;
                    break;
                }
            }
        } else {
            if (!indexed) {
                attributeIndex_.clear();
                for (const TagAttribute& a : tagAttributes_)
                    attributeIndex_.emplace(std::string_view(a.attribute->name, a.nameLength), a.attribute);
                indexed = true;
            }
            indexSlot = &attributeIndex_.try_emplace(name, nullptr).first->second;
            existing = *indexSlot;
        }
        if (existing) {
            existing->value = value;
            continue;
        }
        auto* added = new XMLAttribute(pooledName(name.data(), nameEnd), value);
        (element->lastAttribute_ ? element->lastAttribute_->next : element->attributes_) = added;
        element->lastAttribute_ = added;
        if (indexSlot)
            *indexSlot = added;
        else
            tagAttributes_.push_back({added, name.size()});
    }
    return p;
}

void XMLParser::Run::characterData(const char* begin, const char* end)
{
    char* text = copy(begin, end, true);
    // Carriage returns are dropped after decoding, so "&#13;" goes too.
    if (char* out = std::strchr(text, '\r')) {
        for (const char* in = out; *in; ++in)
            if (*in != '\r')
                *out++ = *in;
        *out = '\0';
    }
    append(new XMLData(text));
}

void XMLParser::Run::append(XMLNode* child)
{
    // XMLNode::appendChild without the virtual call: the parser appends every node.
    XMLElement* parent = open_.back().element;
    child->parent_ = parent;
    child->previous_ = parent->lastChild_;
    (parent->lastChild_ ? parent->lastChild_->next_ : parent->firstChild_) = child;
    parent->lastChild_ = child;
}

void XMLParser::Run::closeElement()
{
    if (open_.empty())
        return;
    XMLElement* element = open_.back().element;
    open_.pop_back();
    if (open_.empty())
        result_ = element;
    else
        append(element);
}

XMLElement* XMLParser::parse(XMLDocument* document, const char* text)
{
    keepText_ = document->keepText();
    Run run(*this, document, text + std::strlen(text));
    cursor_ = run.parse(text);
    error_ = run.error();
    // Every newline the cursor moved over counts, so a failure on the first line is line 0.
    line_ = run.lines();
    return error_ == kNoError ? run.result() : nullptr;
}

char* XMLParser::getStringFromBuffer(XMLDocument* document, bool decode)
{
    return copyText(*document, tokenStart_, tokenEnd_, decode);
}
