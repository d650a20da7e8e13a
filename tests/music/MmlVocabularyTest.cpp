#include <gtest/gtest.h>

#include <map>
#include <set>

#include "MmlTestSupport.h"

namespace varn::test {
namespace {

// Arguments given to a command in these cases, in order: "7", "8", "9".
constexpr std::array<std::string_view, 3> kArguments{"7", "8", "9"};

std::string CommandText(std::string_view word, int argumentCount)
{
    std::string text(word);
    for (int i = 0; i < argumentCount; ++i) {
        text += i == 0 ? "" : ",";
        text += kArguments[static_cast<std::size_t>(i)];
    }
    return text;
}

// One accepted form of the vocabulary: the word with argumentCount of the arguments above,
// the code it compiles to and the argument bytes the statement carries.
struct Form {
    std::string_view word;
    int argumentCount;
    std::uint8_t code;
    Bytes args;
};

const Form kForms[] = {
    {"v", 0, 0xCC, {}},
    {"v", 1, 0xC4, {7}},
    {"v", 2, 0xC5, {7, 8}},
    {"v", 3, 0xCB, {7, 8, 9}},
    {"p", 0, 0xCE, {}},
    {"p", 1, 0xC6, {7}},
    {"p", 2, 0xC7, {7, 8}},
    {"p", 3, 0xCD, {8, 9}},
    {"m", 0, 0xCA, {}},
    {"m", 2, 0xC8, {7, 8}},
    {"m", 3, 0xC9, {7, 8, 9}},
    {"t", 1, 0xF0, {7}},
    {"t", 2, 0xF1, {7, 8}},
    {"o", 1, 0xD6, {7}},
    {"<", 0, 0xD7, {}},
    {">", 0, 0xD8, {}},
    {"@", 1, 0xDC, {7}},
    {"k", 0, 0xDB, {0}},
    {"k", 1, 0xDB, {7}},
    {"%k", 1, 0xD9, {7}},
    {"%K", 1, 0xDA, {7}},
    {"%c", 1, 0xCF, {7}},
    {"%v", 1, 0xF2, {7}},
    {"%x", 1, 0xF4, {7}},
    {"%b", 1, 0xF7, {7}},
    {"%f", 1, 0xF8, {7}},
    {"%A", 0, 0xE1, {}},
    {"%A", 1, 0xDD, {7}},
    {"%D", 1, 0xDE, {7}},
    {"%S", 1, 0xDF, {7}},
    {"%R", 1, 0xE0, {7}},
    {"[", 0, 0xE2, {1}},
    {"[", 1, 0xE2, {6}},
    {"/:", 0, 0xE2, {1}},
    {"/:", 1, 0xE2, {6}},
    {"]", 0, 0xE3, {}},
    {":/", 0, 0xE3, {}},
    {"|", 0, 0xF5, {0, 0, 0}},
    {"|", 1, 0xF5, {7, 0, 0}},
    {"|", 2, 0xF5, {7, 8, 0}},
    {"|", 3, 0xF5, {7, 8, 9}},
    {"/", 0, 0xF5, {0, 0, 0}},
    {"/", 1, 0xF5, {7, 0, 0}},
    {"/", 2, 0xF5, {7, 8, 0}},
    {"/", 3, 0xF5, {7, 8, 9}},
    {"$", 0, 0xFF, {}},
    {"$", 2, 0xFF, {}},
    // The switches: the argument 1 selects the first code, anything else the second.
    {"%n", 0, 0xD1, {}},
    {"%n", 1, 0xD1, {}},
    {"%n", 2, 0xD1, {}},
    {"%p", 0, 0xD3, {}},
    {"%p", 1, 0xD3, {}},
    {"%p", 3, 0xD3, {}},
    {"%e", 0, 0xD5, {}},
    {"%e", 1, 0xD5, {}},
    {"%e", 2, 0xD5, {}},
    {"%l", 0, 0xE5, {}},
    {"%l", 1, 0xE5, {}},
    {"%l", 3, 0xE5, {}},
    {"%d", 0, 0xFC, {}},
    {"%d", 1, 0xFC, {}},
    {"%d", 2, 0xFC, {}},
};

TEST(MmlVocabularyTest, EveryAcceptedFormCompilesToItsCodeAndArguments)
{
    for (const Form& form : kForms) {
        const std::string text = CommandText(form.word, form.argumentCount);
        MML mml = Parsed(text);
        ASSERT_EQ(mml.channels[0].size(), 1u) << text;
        const MML::mmlcom& statement = mml.channels[0][0];
        EXPECT_EQ(statement.code, form.code) << text;
        EXPECT_EQ(statement.argCount, static_cast<int>(form.args.size())) << text;
        Bytes args(statement.args.begin(), statement.args.begin() + statement.argCount);
        EXPECT_EQ(args, form.args) << text;
        // Unused argument bytes stay 0.
        for (std::size_t i = form.args.size(); i < 3; ++i)
            EXPECT_EQ(statement.args[i], 0) << text;
    }
}

TEST(MmlVocabularyTest, TheSwitchesTakeTheArgumentOne)
{
    const std::pair<std::string_view, std::uint8_t> switches[] = {
        {"%n", 0xD0}, {"%p", 0xD2}, {"%e", 0xD4}, {"%l", 0xE4}, {"%d", 0xFB}};
    for (const auto& [word, code] : switches) {
        for (const std::string_view one : {"1", " 1", "0x01", "01"}) {
            const std::string text = std::string(word) + std::string(one);
            EXPECT_EQ(FirstStatements(text), (Bytes{code})) << text;
        }
    }
}

// Every other argument count of a word in the vocabulary is an unrecognised command, reported
// with the word and the arguments as written.
TEST(MmlVocabularyTest, EveryOtherArgumentCountIsRefused)
{
    std::map<std::string_view, std::set<int>> accepted;
    for (const Form& form : kForms)
        accepted[form.word].insert(form.argumentCount);
    int refusals = 0;
    for (const auto& [word, counts] : accepted) {
        for (int count = 0; count <= 3; ++count) {
            if (counts.contains(count) || word.starts_with("%n") || word.starts_with("%p") ||
                word.starts_with("%e") || word.starts_with("%l") || word.starts_with("%d") ||
                word == "$")
                continue;
            const std::string text = CommandText(word, count);
            std::string expected = "不明なコマンドです。\nline = 1\n" + std::string(word);
            for (int i = 0; i < count; ++i) {
                expected += ',';
                expected += kArguments[static_cast<std::size_t>(i)];
            }
            EXPECT_EQ(ParseError(text), expected) << text;
            ++refusals;
        }
    }
    // m 1; t 0, 3; o 0, 2, 3; < and > 1-3; @ 0, 2, 3; k 2, 3; the ten one-argument "%"
    // words 0, 2, 3; %A 2, 3; [ and /: 2, 3; ] and :/ 1-3.
    EXPECT_EQ(refusals, 1 + 2 + 3 + 6 + 3 + 2 + 30 + 2 + 4 + 6);
}

TEST(MmlVocabularyTest, NotesCoverEveryPitchAndLength)
{
    const std::pair<std::string_view, int> pitches[] = {
        {"c", 0},   {"c+", 14},  {"c#", 14},  {"d-", 14}, {"d", 28},  {"d+", 42},
        {"e-", 42}, {"e", 56},   {"f", 70},   {"f+", 84}, {"g", 98},  {"g#", 112},
        {"a", 126}, {"a+", 140}, {"b-", 140}, {"b", 154}, {"^", 168}, {"r", 182},
    };
    const std::pair<std::string_view, int> lengths[] = {
        {"1", 0}, {"2", 1},  {"3", 2},  {"4.", 3},  {"4", 4},   {"6", 5},   {"8.", 6},
        {"8", 7}, {"12", 8}, {"16", 9}, {"24", 10}, {"32", 11}, {"48", 12}, {"64", 13},
    };
    for (const auto& [pitch, pitchCode] : pitches) {
        for (const auto& [length, index] : lengths) {
            const std::string text = std::string(pitch) + std::string(length);
            EXPECT_EQ(FirstStatements(text), (Bytes{static_cast<std::uint8_t>(pitchCode + index)}))
                << text;
        }
    }
}

} // namespace
} // namespace varn::test
