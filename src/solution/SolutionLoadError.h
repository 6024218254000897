#pragma once

#include <exception>
#include <string>
#include <utility>

class ProjectTemplates;

// Ends a failed solution load. Subject and message are made to be shown one
// after the other: messages that follow a file name begin with a blank.
class SolutionLoadError : public std::exception {
public:
    SolutionLoadError(std::string subject, bool parseError, std::string message, int line = 0)
        : subject_(std::move(subject)), parseError_(parseError), message_(std::move(message)), line_(line)
    {
    }

    const std::string& subject() const { return subject_; }
    // True only when the file's XML failed to parse; line() is then its line.
    bool parseError() const { return parseError_; }
    const std::string& message() const { return message_; }
    int line() const { return line_; }
    // Carried for the callers that show it; always 0.
    int secondNumber() const { return 0; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string subject_;
    bool parseError_;
    std::string message_;
    int line_;
};

// Asked when a file to load does not exist; true makes the loader try to open it anyway.
class ProjectFileNotFoundErrorHandler {
public:
    virtual ~ProjectFileNotFoundErrorHandler() = default;
    virtual bool retry(const std::string& path) = 0;
};

// Asked when a project to be built from a template names none; it may set
// `templateName`, and true makes the loader look that template up.
class TemplateNotFoundErrorHandler {
public:
    virtual ~TemplateNotFoundErrorHandler() = default;
    virtual bool retry(ProjectTemplates* templates, const std::string& projectName, std::string& templateName) = 0;
};
