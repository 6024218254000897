#include "foundation/TerminalText.h"

#include <unistd.h>

namespace TerminalText {

bool isTerminal(FILE* stream)
{
    return isatty(fileno(stream)) == 1;
}

std::string escaped(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            const char octal[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                  static_cast<char>('0' + ((byte >> 3) & 7)), static_cast<char>('0' + (byte & 7))};
            shown.append(octal, sizeof octal);
        }
    }
    return shown;
}

std::string forStream(std::string_view text, FILE* stream)
{
    return isTerminal(stream) ? escaped(text) : std::string(text);
}

} // namespace TerminalText
