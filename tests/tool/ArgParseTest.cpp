#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/files.h"
#include "tool/ArgParse.h"

namespace {

// Records what the parser hands over, and its messages.
class RecordingParser : public ArgParse {
public:
    explicit RecordingParser(HReporter* reporter) : ArgParse(reporter) {}
    void handle(const char* option, const char* value)
    {
        seen.push_back(std::string(option) + "=" + (value != nullptr ? value : "(null)"));
    }
    std::vector<std::string> seen;

protected:
    void onArgument(const char* arg) override { seen.push_back(arg); }
};

struct Fixture {
    testsupport::TempDir dir;
    std::string messagesPath = dir.path() + "/messages";
    FILE* messages = std::fopen(messagesPath.c_str(), "w+");
    HReporter reporter{"prog", messages};
    RecordingParser parser{&reporter};

    ~Fixture() { std::fclose(messages); }
    std::string errors()
    {
        std::fflush(messages);
        return testsupport::readFile(messagesPath);
    }
};

ArgParse::Option handled(int kind)
{
    ArgParse::Option option;
    option.optionKind = kind;
    option.hasHandler = true;
    option.handler = static_cast<ArgParse::Handler>(&RecordingParser::handle);
    return option;
}

} // namespace

TEST(ArgParse, MatchesOptionKindsInTableOrder)
{
    Fixture f;
    bool flag = false;
    std::optional<std::string> value;
    ArgParse::Option flagOnly;
    flagOnly.flagTarget = &flag;
    ArgParse::Option stored;
    stored.optionKind = ArgParse::kValueInSameArgument;
    stored.valueTarget = &value;
    f.parser.addOption("-f", flagOnly);
    f.parser.addOption("-I", handled(ArgParse::kValueInSameArgument));
    f.parser.addOption("-Iq", handled(ArgParse::kValueInSameArgument));
    f.parser.addOption("-o", handled(ArgParse::kValueInNextArgument));
    f.parser.addOption("-s", handled(ArgParse::kSwitch));
    f.parser.addOption("-D", stored);
    f.parser.parse({"-f", "-Iqx", "-Iy", "-I", "-s", "-Dname", "-h", "plain", "-o", "out", "-o"});
    EXPECT_TRUE(flag);
    EXPECT_EQ(value, "name");
    EXPECT_EQ(f.parser.seen, (std::vector<std::string>{"-Iq=x", "-I=y", "-I=", "-s=(null)", "plain", "-o=out"}));
    EXPECT_EQ(f.errors(), "prog: error: unrecognised option -h\n"
                          "prog: error: expected argument for option -o\n");
}
