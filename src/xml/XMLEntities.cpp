// Entity references: the decoding the parser applies to attribute values and
// character data, and the whole-text replacements offered to other readers.
#include "xml/XMLEntities.h"

#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "xml/XML.h"

namespace {

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    // Upper-case letters count as their lower-case digits, so "&#x4A;" is "J".
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return -1;
}

// Reads the numeric reference "&#...;" at `p`; on success stores its byte and
// moves `p` past the ";".
bool numericReference(const char*& p, const char* end, char& byte)
{
    const char* q = p + 2;
    unsigned base = 10;
    if (q < end && *q == 'x') {
        base = 16;
        ++q;
    }
    unsigned value = 0;
    for (; q < end; ++q) {
        if (*q == ';') {
            byte = static_cast<char>(value);
            p = q + 1;
            return true;
        }
        const int digit = digitValue(*q);
        // Any other byte means there is no reference: its "&" stays a literal.
        if (digit < 0)
            return false;
        value = (value * base + static_cast<unsigned>(digit)) & 0xFF;
    }
    return false;
}

std::string replaceAll(const std::string& text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size())
        out.append(text, start, at - start).append(to);
    return out.append(text, start, std::string::npos);
}

using Replacement = std::pair<std::string_view, std::string_view>;

// Each step replaces every occurrence in the result of the step before.
std::string replaceInOrder(std::string text, std::span<const Replacement> steps)
{
    for (const auto& [from, to] : steps)
        text = replaceAll(text, from, to);
    return text;
}

// Strings are UTF-8 bytes, so the middle dot U+00B7 is the two bytes C2 B7.
constexpr std::string_view kMiddleDot = "\xC2\xB7";

} // namespace

char* decodeEntities(char* out, const char* p, const char* end)
{
    while (const auto* amp = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)))) {
        std::memcpy(out, p, static_cast<std::size_t>(amp - p));
        out += amp - p;
        p = amp;
        const std::string_view rest(p, static_cast<std::size_t>(end - p));
        if (rest.starts_with("&lt;")) {
            *out++ = '<';
            p += 4;
        } else if (rest.starts_with("&gt;")) {
            *out++ = '>';
            p += 4;
        } else if (rest.starts_with("&quot;")) {
            *out++ = '"';
            p += 6;
        } else if (rest.starts_with("&#") && numericReference(p, end, *out)) {
            ++out;
        } else {
            *out++ = '&';
            ++p;
        }
    }
    std::memcpy(out, p, static_cast<std::size_t>(end - p));
    return out + (end - p);
}

std::string xmlUnescapeEntities(const std::string& text)
{
    static constexpr Replacement kSteps[] = {{"&amp;", "&"},          {"&lt;", "<"},   {"&gt;", ">"},
                                             {"&quot;", "\""},        {"&apos;", "'"}, {"&nbsp;", " "},
                                             {"&middot;", kMiddleDot}};
    return replaceInOrder(text, kSteps);
}

std::string xmlEscapeEntities(const std::string& text)
{
    static constexpr Replacement kSteps[] = {{"&", "&amp;"},   {">", "&gt;"},   {"<", "&lt;"},
                                             {"\"", "&quot;"}, {"'", "&apos;"}, {kMiddleDot, "&middot;"}};
    return replaceInOrder(text, kSteps);
}
