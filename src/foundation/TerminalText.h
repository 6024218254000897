#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Names read from a package or from disk may hold control bytes; shown raw on a
// terminal, an ESC sequence could recolour, retitle or hide lines.
namespace TerminalText {

// True when `stream` is a terminal.
bool isTerminal(FILE* stream);

// `text` with each control byte (0x00-0x1F, 0x7F) written as C writes it in a
// string: "\n", "\t", "\r", and otherwise three octal digits ("\033").
std::string escaped(std::string_view text);

// `text` as it is shown on `stream`: escaped on a terminal, else byte for byte.
std::string forStream(std::string_view text, FILE* stream);

} // namespace TerminalText
