#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tool/HReporter.h"

// Orders option texts by descending strcmp, so that of two prefix options sharing
// a stem the longer is met first.
struct Cstring_greater {
    bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) > 0; }
};

// A command-line parser over an option table, with "@file" indirect argument files
// (nested up to 100 deep) and double-quoted arguments.
class ArgParse {
public:
    // Handlers get the option text and its value (null for a plain switch).
    using Handler = void (ArgParse::*)(const char* option, const char* value);

    enum OptionKind { kSwitch = 0, kValueInNextArgument = 1, kValueInSameArgument = 2 };

    struct Option {
        int optionKind = kSwitch;
        bool hasHandler = false;
        Handler handler = nullptr;
        std::optional<std::string>* valueTarget = nullptr; // receives the value when there is no handler
        bool* flagTarget = nullptr;                        // set to true when there is no handler
    };

    static constexpr int kMaxNesting = 100;
    // Files naming each other more than once per line would otherwise multiply
    // without end below the nesting limit; one command line reads at most this many.
    static constexpr int kMaxIndirectFiles = 10000;
    static constexpr int kMaxArgumentsPerLine = 256;
    static constexpr int kLineBufferSize = 1024;

    explicit ArgParse(HReporter* reporter) : reporter_(reporter) {}
    virtual ~ArgParse() = default;

    // `text` must outlive the parser.
    void addOption(const char* text, const Option& option) { options_[text] = option; }

    // Processes an argument vector (without the program's name).
    void parse(const std::vector<std::string>& args);
    // Splits one command-line string and processes its arguments.
    void parse(const char* line);
    // Processes the arguments written in a file, line by line.
    void parseArgsFromIndirectFile(const char* fileName);
    // Splits `text` at blanks into `args` (quotes group, no escapes); returns how
    // many, or 0 with an error when a quote is unterminated or the line holds more
    // than 256 arguments. `fileName` is null for a command-line string.
    int argifyLine(const char* fileName, int lineNumber, const char* text, std::vector<std::string>& args);
    // True once a handler ended the parse.
    bool stopped() const { return stopped_; }

protected:
    // Ends the parse: no later argument, line or indirect file is processed.
    void stopParsing() { stopped_ = true; }
    virtual void onArgument(const char* arg) = 0;
    void error(const std::string& text) { reporter_->error(text); }
    HReporter* reporter() const { return reporter_; }

private:
    const std::pair<const char* const, Option>* findOption(const std::string& arg, std::string& value) const;

    std::map<const char*, Option, Cstring_greater> options_;
    int nestingDepth_ = 0;
    int indirectFilesRead_ = 0;
    bool stopped_ = false;
    HReporter* reporter_;
};
