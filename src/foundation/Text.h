#pragma once

#include <string>
#include <vector>

// The pieces of `text` between any of the `separators`, empty pieces dropped:
// splitNonEmpty("a;;b", ";") gives "a" and "b".
std::vector<std::string> splitNonEmpty(const std::string& text, const char* separators);

// `text` with the ASCII capitals made small; other bytes as they are.
std::string lowerCase(std::string text);

// Blank, tab, line feed, vertical tab, form feed or carriage return.
bool isWhiteSpace(char c);

// `text` without white space at its ends.
std::string trimmed(const std::string& text);
