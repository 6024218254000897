#include "foundation/TerminalText.h"

#include <unistd.h>

namespace TerminalText {

bool isTerminal(FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

namespace {

// The length of the valid UTF-8 sequence (two to four bytes) at `at`, or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the range of the second byte, narrowed against overlong forms
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

void appendOctal(std::string& shown, unsigned char byte)
{
    const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)), static_cast<char>('0' + ((byte >> 3) & 7)),
                          static_cast<char>('0' + (byte & 7))};
    shown.append(octal, sizeof octal);
}

} // namespace

std::string escaped(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t length = sequenceLength(text, i);
            const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
            if (c1) {
                appendOctal(shown, byte);
                appendOctal(shown, static_cast<unsigned char>(text[i + 1]));
                ++i;
            } else if (length > 0) {
                shown.append(text.substr(i, length));
                i += length - 1;
            } else if (byte <= 0x9F) {
                appendOctal(shown, byte);
            } else {
                shown += c; // such as a Latin-1 letter
            }
        } else if (c == '\\') {
            shown += "\\\\";
        } else if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            appendOctal(shown, byte);
        }
    }
    return shown;
}

std::string forStream(std::string_view text, FILE* stream)
{
    return isTerminal(stream) ? escaped(text) : std::string(text);
}

} // namespace TerminalText
