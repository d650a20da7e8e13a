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
// anything; the program decides how to show the message. A result must be looked at: one
// dropped unread is a failure nobody hears of.
template <class T> class [[nodiscard]] Result {
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
template <> class [[nodiscard]] Result<void> {
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

// What the program shows for a failure it did not foresee, caught at its edge (the command
// line's verb, the editor's event loop): an allocation that failed, or any other exception.
// Nothing a command had not committed is written.
inline constexpr const char* kOutOfMemoryMessage = "メモリが足りないため、処理を中止しました。";
inline constexpr const char* kUnexpectedErrorMessage = "予期しないエラーが発生しました。";

// The message for the exception being handled; call it inside a catch block.
std::string CurrentExceptionMessage();

} // namespace varn
