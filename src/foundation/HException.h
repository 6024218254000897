#pragma once

#include <exception>
#include <string>
#include <utility>

// The system's exception that carries one message text; raised where a step
// cannot go on (a stub file of the package directory that cannot be created)
// and caught once near `main`.
class HException : public std::exception {
public:
    explicit HException(std::string message) : message_(std::move(message)) {}

    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
