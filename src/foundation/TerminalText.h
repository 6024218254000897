#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Names read from a package or from disk may hold control bytes; shown raw on a
// terminal, an ESC sequence could recolour, retitle or hide lines.
namespace TerminalText {

// True when `stream` is a terminal.
bool isTerminal(FILE* stream);

// `text` with each control written as C writes it in a string: "\n", "\t",
// "\r", and otherwise three octal digits ("\033") for each byte. Controls are
// 0x00-0x1F and 0x7F, the C1 controls U+0080-U+009F in UTF-8 (each of their two
// bytes escaped), and bytes 0x80-0x9F outside a valid UTF-8 sequence. A
// backslash is shown as "\\", so that no name reads like an escaped one. Other
// bytes, valid UTF-8 or not, are shown as they are.
std::string escaped(std::string_view text);

// `text` as it is shown on `stream`: escaped on a terminal, else byte for byte.
std::string forStream(std::string_view text, FILE* stream);

} // namespace TerminalText
