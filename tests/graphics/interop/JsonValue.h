#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace varn::test {

// A value read from JSON text: null, a boolean, a number, a string, an array or an object.
// The accessors throw std::bad_variant_access when the value is of another kind, so a
// description of the wrong shape fails the test that reads it.
class JsonValue {
public:
    using Array = std::vector<JsonValue>;
    using Object = std::vector<std::pair<std::string, JsonValue>>;

    JsonValue() = default;
    explicit JsonValue(bool value) : value_(value) {}
    explicit JsonValue(double value) : value_(value) {}
    explicit JsonValue(std::string value) : value_(std::move(value)) {}
    explicit JsonValue(Array value) : value_(std::move(value)) {}
    explicit JsonValue(Object value) : value_(std::move(value)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    bool boolean() const { return std::get<bool>(value_); }
    double number() const { return std::get<double>(value_); }
    // The number as an int; throws std::bad_variant_access for a non-number.
    int integer() const { return static_cast<int>(number()); }
    const std::string& string() const { return std::get<std::string>(value_); }
    const Array& array() const { return std::get<Array>(value_); }

    // The member called `key` of an object; a null value when there is none.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& operator[](std::size_t index) const { return array().at(index); }

private:
    std::variant<std::monostate, bool, double, std::string, Array, Object> value_;
};

// Parses one JSON value with nothing but white space after it; nullopt for malformed text.
// Strings may hold \u escapes only for characters below U+0080, which is all the
// descriptions the tests read ever contain.
std::optional<JsonValue> ParseJson(std::string_view text);

} // namespace varn::test
