#include <gtest/gtest.h>

#include "foundation/TerminalText.h"

namespace {

TEST(TerminalText, ShowsEachControlByteAndNothingElse)
{
    using namespace std::string_literals;
    EXPECT_EQ(TerminalText::escaped("\033[31mred\n\t\r"s), "\\033[31mred\\n\\t\\r");
    EXPECT_EQ(TerminalText::escaped("a\0b\x1f\x7f"s), "a\\000b\\037\\177");
    // A backslash is doubled, so "\033" written in a name never reads like ESC.
    EXPECT_EQ(TerminalText::escaped("back\\033[31mslash"s), "back\\\\033[31mslash");
    // UTF-8 text and stray Latin-1 letters pass; C1 controls, encoded or stray, do not.
    EXPECT_EQ(TerminalText::escaped("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xe9 ~"s),
              "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xe9 ~");
    EXPECT_EQ(TerminalText::escaped("\xc2\x9b" "2J \x9b \x80\xc2\xa0 \xc2"s), "\\302\\2332J \\233 \\200\xc2\xa0 \xc2");
    // Broken sequences are judged byte by byte: a lead byte alone is not a control, its tail may be.
    EXPECT_EQ(TerminalText::escaped("\xe2\x82 \xed\xa0\x80 \xc0\x9b"s), "\xe2\\202 \xed\xa0\\200 \xc0\\233");
}

} // namespace
