#include "JsonValue.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace varn::test {

const JsonValue& JsonValue::operator[](std::string_view key) const
{
    static const JsonValue null;
    for (const auto& [name, value] : std::get<Object>(value_)) {
        if (name == key)
            return value;
    }
    return null;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document()
    {
        auto value = parseValue();
        skipSpace();
        if (!value || at_ != text_.size())
            return std::nullopt;
        return value;
    }

private:
    void skipSpace()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
    }

    bool take(char c)
    {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool takeWord(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word)
            return false;
        at_ += word.size();
        return true;
    }

    std::optional<JsonValue> parseValue()
    {
        skipSpace();
        if (at_ >= text_.size())
            return std::nullopt;
        const char c = text_[at_];
        if (c == '{')
            return parseObject();
        if (c == '[')
            return parseArray();
        if (c == '"') {
            auto text = parseString();
            return text ? std::optional(JsonValue(std::move(*text))) : std::nullopt;
        }
        if (takeWord("null"))
            return JsonValue();
        if (takeWord("true"))
            return JsonValue(true);
        if (takeWord("false"))
            return JsonValue(false);
        return parseNumber();
    }

    std::optional<JsonValue> parseNumber()
    {
        const std::size_t start = at_;
        while (at_ < text_.size() &&
               std::string_view("+-.eE0123456789").find(text_[at_]) != std::string_view::npos)
            ++at_;
        const std::string digits(text_.substr(start, at_ - start));
        if (digits.empty())
            return std::nullopt;
        char* end = nullptr;
        const double value = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size())
            return std::nullopt;
        return JsonValue(value);
    }

    std::optional<std::string> parseString()
    {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                return std::nullopt;
            const char escape = text_[at_++];
            switch (escape) {
            case '"':
            case '\\':
            case '/':
                out += escape;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                const auto hex = text_.substr(at_, 4);
                const auto [end, error] =
                    std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
                if (hex.size() != 4 || error != std::errc() || end != hex.data() + 4 ||
                    code >= 0x80)
                    return std::nullopt;
                out += static_cast<char>(code);
                at_ += 4;
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<JsonValue> parseArray()
    {
        take('[');
        JsonValue::Array items;
        if (take(']'))
            return JsonValue(std::move(items));
        do {
            auto item = parseValue();
            if (!item)
                return std::nullopt;
            items.push_back(std::move(*item));
        } while (take(','));
        if (!take(']'))
            return std::nullopt;
        return JsonValue(std::move(items));
    }

    std::optional<JsonValue> parseObject()
    {
        take('{');
        JsonValue::Object members;
        if (take('}'))
            return JsonValue(std::move(members));
        do {
            skipSpace();
            auto name = parseString();
            if (!name || !take(':'))
                return std::nullopt;
            auto value = parseValue();
            if (!value)
                return std::nullopt;
            members.emplace_back(std::move(*name), std::move(*value));
        } while (take(','));
        if (!take('}'))
            return std::nullopt;
        return JsonValue(std::move(members));
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<JsonValue> ParseJson(std::string_view text)
{
    return Parser(text).document();
}

} // namespace varn::test
