#pragma once

#include <string>
#include <utility>
#include <variant>

namespace varn {

// What a core operation returns when it fails: the system's message text, ready to show.
struct Failure {
    std::string message;
};

// Either a value or a Failure. Core operations return these instead of throwing or showing
// anything; the program decides how to show the message.
template <class T> class Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }

    // The message of a failed result; empty for a successful one.
    const std::string& message() const
    {
        static const std::string none;
        return ok() ? none : std::get<1>(state_).message;
    }

private:
    std::variant<T, Failure> state_;
};

// A result without a value: success, or a Failure.
template <> class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failed_(true), message_(std::move(failure.message)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& message() const { return message_; }

private:
    bool failed_ = false;
    std::string message_;
};

using Status = Result<void>;

} // namespace varn
