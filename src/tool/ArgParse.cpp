#include "tool/ArgParse.h"

#include <cerrno>
#include <cstdio>

#include "foundation/UniqueFile.h"

namespace {

// Where a split line came from, as the messages about it say.
std::string lineLocation(const char* fileName, int lineNumber)
{
    if (fileName == nullptr)
        return "in command line";
    return std::string("in indirect file ") + fileName + "(" + std::to_string(lineNumber) + ")";
}

} // namespace

const std::pair<const char* const, ArgParse::Option>* ArgParse::findOption(const std::string& arg,
                                                                           std::string& value) const
{
    auto exact = options_.find(arg.c_str());
    if (exact != options_.end())
        return &*exact;
    for (const auto& entry : options_) {
        std::size_t keyLength = std::strlen(entry.first);
        if (entry.second.optionKind == kValueInSameArgument && arg.compare(0, keyLength, entry.first) == 0) {
            value = arg.substr(keyLength);
            return &entry;
        }
    }
    return nullptr;
}

void ArgParse::parse(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size() && !stopped_; ++i) {
        const std::string& arg = args[i];
        std::string value;
        const auto* entry = findOption(arg, value);
        if (entry == nullptr) {
            if (!arg.empty() && arg[0] == '@')
                parseArgsFromIndirectFile(arg.c_str() + 1);
            else if (!arg.empty() && arg[0] == '-')
                error("unrecognised option " + arg);
            else
                onArgument(arg.c_str());
            continue;
        }
        const Option& option = entry->second;
        const char* valueText = nullptr;
        if (option.optionKind == kValueInNextArgument) {
            if (i + 1 == args.size()) {
                error(std::string("expected argument for option ") + entry->first);
                return;
            }
            value = args[++i];
            valueText = value.c_str();
        } else if (option.optionKind == kValueInSameArgument) {
            valueText = value.c_str();
        }
        if (option.hasHandler) {
            (this->*option.handler)(entry->first, valueText);
            continue;
        }
        if (option.flagTarget != nullptr)
            *option.flagTarget = true;
        if (option.valueTarget != nullptr) {
            if (valueText != nullptr)
                *option.valueTarget = valueText;
            else
                option.valueTarget->reset();
        }
    }
}

void ArgParse::parse(const char* line)
{
    std::vector<std::string> args;
    if (argifyLine(nullptr, 0, line, args) > 0)
        parse(args);
}

void ArgParse::parseArgsFromIndirectFile(const char* fileName)
{
    if (nestingDepth_ == kMaxNesting || indirectFilesRead_ == kMaxIndirectFiles) {
        error("too many indirect files");
        return;
    }
    const UniqueFile file(std::fopen(fileName, "r"));
    if (!file) {
        error(std::string("can't open indirect file ") + fileName + ": " + std::strerror(errno));
        return;
    }
    ++nestingDepth_;
    ++indirectFilesRead_;
    char buffer[kLineBufferSize];
    // A line longer than the buffer is continued by the next read, which counts as a new line.
    for (int lineNumber = 1; !stopped_ && std::fgets(buffer, sizeof buffer, file.get()) != nullptr; ++lineNumber) {
        if (buffer[0] == '#')
            continue;
        std::vector<std::string> args;
        if (argifyLine(fileName, lineNumber, buffer, args) > 0)
            parse(args);
    }
    --nestingDepth_;
}

// Split arguments are owned strings, freed with the caller's vector.
int ArgParse::argifyLine(const char* fileName, int lineNumber, const char* text, std::vector<std::string>& args)
{
    args.clear();
    const char* p = text;
    auto atEnd = [](const char* at) { return *at == '\0' || *at == '\n'; };
    for (;;) {
        while (*p == ' ')
            ++p;
        if (atEnd(p))
            break;
        const char* start = p;
        if (*p == '"') {
            start = ++p;
            while (!atEnd(p) && *p != '"')
                ++p;
            if (*p != '"') {
                error("unterminated string " + lineLocation(fileName, lineNumber));
                args.clear();
                return 0;
            }
            args.emplace_back(start, p);
            ++p;
        } else {
            while (!atEnd(p) && *p != ' ')
                ++p;
            args.emplace_back(start, p);
        }
    }
    // The per-line table holds 256 arguments; a longer line is refused whole.
    if (args.size() > static_cast<std::size_t>(kMaxArgumentsPerLine)) {
        error("too many arguments " + lineLocation(fileName, lineNumber));
        args.clear();
        return 0;
    }
    return static_cast<int>(args.size());
}
