#include "tool/HReporter.h"

#include <utility>

HReporter::HReporter(std::string programName, FILE* stream) : programName_(std::move(programName)), stream_(stream) {}

void HReporter::error(const std::string& text)
{
    ++errorCount_;
    line(": error: ", text);
}

void HReporter::warning(const std::string& text)
{
    ++warningCount_;
    line(": warning: ", text);
}

void HReporter::fatal(const std::string& text)
{
    line(": fatal: ", text);
}

void HReporter::line(const char* kind, const std::string& text)
{
    std::string message = programName_ + kind + text + "\n";
    std::fwrite(message.data(), 1, message.size(), stream_);
    std::fflush(stream_);
}
