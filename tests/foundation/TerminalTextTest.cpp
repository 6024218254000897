#include <gtest/gtest.h>

#include "foundation/TerminalText.h"

namespace {

TEST(TerminalText, ShowsEachControlByteAndNothingElse)
{
    using namespace std::string_literals;
    EXPECT_EQ(TerminalText::escaped("\033[31mred\n\t\r"s), "\\033[31mred\\n\\t\\r");
    EXPECT_EQ(TerminalText::escaped("a\0b\x1f\x7f"s), "a\\000b\\037\\177");
    // Bytes above 0x7F are text in UTF-8 names, and a backslash stays one.
    EXPECT_EQ(TerminalText::escaped("caf\xc3\xa9 \\ ~"s), "caf\xc3\xa9 \\ ~");
}

} // namespace
