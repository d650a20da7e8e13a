#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace varn {

// What a core operation returns when it fails: the system's message text, ready to show, and
// where the user is to act on it: the inner tab of the page to bring to the front (-1 for
// none) and the object name of the control to focus ("" for none). A failure that names no
// place is written Failure{message}.
struct Failure {
    Failure() = default;
    explicit Failure(std::string text) : message(std::move(text)) {}
    Failure(std::string text, int innerPage, std::string focus)
        : message(std::move(text)), page(innerPage), control(std::move(focus))
    {
    }

    std::string message;
    int page = -1;
    std::string control;

    friend bool operator==(const Failure&, const Failure&) = default;
};

// A failure whose message names the file it is about on a line of its own ("…\nNAME").
Failure NamedFailure(std::string_view message, std::string_view name);

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
    const std::string& message() const { return failure().message; }

    // The failure of a failed result; for a successful one, a failure with an empty message
    // that names no place.
    const Failure& failure() const
    {
        static const Failure none;
        return ok() ? none : std::get<1>(state_);
    }

private:
    std::variant<T, Failure> state_;
};

// A result without a value: success, or a Failure.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    const std::string& message() const { return failure().message; }

    // As Result<T>::failure: the whole failure, or one with an empty message for success.
    const Failure& failure() const
    {
        static const Failure none;
        return failure_ ? *failure_ : none;
    }

private:
    std::optional<Failure> failure_;
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
