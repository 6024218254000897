#pragma once

// Copies [p, end) to `out` with the references "&lt;", "&gt;", "&quot;" and
// "&#...;" / "&#x...;" (one byte, modulo 256) decoded; any other "&" stays as
// it is. `out` needs room for end - p bytes; returns the end of the output.
char* decodeEntities(char* out, const char* p, const char* end);
