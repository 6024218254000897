#pragma once

// What our own interfaces return when something fails: what failed (a file, a
// member) and why (the system's text, or our own), so that the one caller who
// reports it can name both. The specified interfaces keep their integer codes
// and booleans; those are turned into a Failure in one place each.

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <variant>

struct Failure {
    std::string subject; // the file or member concerned
    std::string reason;  // strerror(errno), or our own words

    // The failure of a system call on `subject`, from errno.
    static Failure fromErrno(std::string subject, int error = errno)
    {
        return {std::move(subject), std::strerror(error)};
    }
    // "<subject>: <reason>"
    std::string text() const { return subject.empty() ? reason : subject + ": " + reason; }
};

// A value, or the Failure that kept it from being made.
template <typename T> class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const Failure& failure() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// Success, or the Failure.
using Status = std::optional<Failure>;
