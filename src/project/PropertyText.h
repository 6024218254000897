#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Number and list readers shared by the property classes and values.

// The integer written in `text`, surrounded by white space or not, with an
// optional sign when `allowSign`. `base` 0 detects it C-style ("0x"
// hexadecimal, leading "0" octal, else decimal). Null when the text is not
// wholly a number or the number does not fit in 64 bits.
std::optional<std::int64_t> readInteger(const std::string& text, int base, bool allowSign = true);
// readInteger as a 32-bit signed number; 0 when unreadable or out of range.
std::int32_t readInt32(const std::string& text, int base);
