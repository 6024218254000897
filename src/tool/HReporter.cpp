#include "tool/HReporter.h"

#include <utility>

#include "foundation/TerminalText.h"

HReporter::HReporter(std::string programName, FILE* stream) : programName_(std::move(programName)), stream_(stream)
{
    if (TerminalText::isTerminal(stream_))
        progress_ = std::make_unique<TerminalProgress>(programName_, stream_);
}

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

void HReporter::plainWarning(const std::string& text)
{
    ++warningCount_;
    write(text);
}

void HReporter::status(const std::string& text)
{
    if (progress_)
        progress_->showStatus(text);
}

void HReporter::clearStatus()
{
    if (progress_)
        progress_->erase();
}

int HReporter::exitStatus(int status) const
{
    return strict_ && errorCount_ + warningCount_ > 0 ? 1 : status;
}

void HReporter::line(const char* kind, const std::string& text)
{
    write(programName_ + kind + text);
}

void HReporter::write(std::string message)
{
    // Through a pipe or into a file the text goes byte for byte, as it always has.
    if (progress_) {
        message = TerminalText::escaped(message);
        progress_->erase();
    }
    message += "\n";
    std::fwrite(message.data(), 1, message.size(), stream_);
    std::fflush(stream_);
}
