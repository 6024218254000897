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

TEST(ArgParse, SplitsLinesAtBlanksAndQuotes)
{
    Fixture f;
    struct {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"a \"b c\" d\n", {"a", "b c", "d"}}, {"\"ab\"cd", {"ab", "cd"}}, {"\"\"", {""}},
        {"   ", {}},                          {"a\tb  c", {"a\tb", "c"}}, {"x\ny", {"x"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args;
        EXPECT_EQ(f.parser.argifyLine(nullptr, 0, c.line, args), static_cast<int>(c.args.size())) << c.line;
        EXPECT_EQ(args, c.args) << c.line;
    }
    std::vector<std::string> args;
    EXPECT_EQ(f.parser.argifyLine("f.txt", 7, "a \"b\n", args), 0);
    EXPECT_EQ(f.parser.argifyLine(nullptr, 0, "\"open", args), 0);
    std::string many;
    for (int i = 0; i < 257; ++i)
        many += "x ";
    EXPECT_EQ(f.parser.argifyLine("f.txt", 3, many.c_str(), args), 0);
    EXPECT_EQ(f.parser.argifyLine("f.txt", 3, many.substr(2).c_str(), args), 256);
    EXPECT_EQ(f.errors(), "prog: error: unterminated string in indirect file f.txt(7)\n"
                          "prog: error: unterminated string in command line\n"
                          "prog: error: too many arguments in indirect file f.txt(3)\n");
}

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
    EXPECT_EQ(f.parser.seen,
              (std::vector<std::string>{"-Iq=x", "-I=y", "-I=", "-s=(null)", "plain", "-o=out"}));
    EXPECT_EQ(f.errors(), "prog: error: unrecognised option -h\n"
                          "prog: error: expected argument for option -o\n");
}

TEST(ArgParse, ReadsIndirectFilesInOrder)
{
    Fixture f;
    f.parser.addOption("-s", handled(ArgParse::kSwitch));
    std::string inner = f.dir.path() + "/inner", outer = f.dir.path() + "/outer";
    testsupport::writeFile(inner, "in1 \"in 2\"\n");
    testsupport::writeFile(outer, "first\n# -s comment\n@" + inner + "\n-s last\n\"bad\n" + std::string(1500, 'L'));
    f.parser.parse({"@" + outer, "after", "@" + f.dir.path() + "/none"});
    EXPECT_EQ(f.parser.seen, (std::vector<std::string>{"first", "in1", "in 2", "-s=(null)", "last",
                                                       std::string(1023, 'L'), std::string(477, 'L'), "after"}));
    EXPECT_EQ(f.errors(), "prog: error: unterminated string in indirect file " + outer + "(5)\n" +
                              "prog: error: can't open indirect file " + f.dir.path() +
                              "/none: No such file or directory\n");
}

TEST(ArgParse, StopsSelfIncludingFilesAtTheNestingLimit)
{
    Fixture f;
    std::string self = f.dir.path() + "/self";
    testsupport::writeFile(self, "x\n@" + self + "\n");
    f.parser.parse({"@" + self});
    EXPECT_EQ(f.parser.seen.size(), 100u);
    EXPECT_EQ(f.errors(), "prog: error: too many indirect files\n");
}
