#include "music/MML.h"

#include <algorithm>
#include <array>
#include <utility>

#include "music/CommandTable.h"
#include "music/MmlInteger.h"

namespace varn {

namespace {

constexpr std::string_view kMacroFormatMessage = "マクロの書式が不正です。";
constexpr std::string_view kWaveFormatMessage = "波形指定の書式が不正です。";
constexpr std::string_view kDrumFormatMessage = "ドラムセットの書式が不正です。";
constexpr std::string_view kPlaybackFormatMessage = "再生設定の書式が不正です。";
constexpr std::string_view kLengthMessage = "音長指定が不正です。";
constexpr std::string_view kUnknownCommandMessage = "不明なコマンドです。";
constexpr std::string_view kMacroTooLargeMessage = "マクロの展開が多すぎます。";
constexpr std::string_view kMacroTooDeepMessage = "マクロの展開が深すぎます。";

// Macros expand by inserting their text; a macro that calls itself, directly or through
// others, would expand for ever. A song block holds at most 64 KiB, so these bounds lie far
// above anything a song can use: the text inserted by all macro calls of one parse (1 MiB),
// and the number of macro texts being read inside one another.
constexpr std::size_t kMaxMacroExpansion = std::size_t{1} << 20;
constexpr std::size_t kMaxMacroDepth = 256;

// The largest value a length text needs to be told apart from the valid ones.
constexpr std::int64_t kLengthValueCap = 1000;

constexpr int kTieCode = 168;

bool IsBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(int c)
{
    return c >= '0' && c <= '9';
}

bool IsPitchLetter(int c)
{
    return (c >= 'c' && c <= 'g') || c == 'a' || c == 'b';
}

std::string LineText(std::string_view message, int line)
{
    std::string text(message);
    text += "\nline = ";
    text += std::to_string(line);
    return text;
}

// The number of bytes of the UTF-8 character that starts with `lead`; a stray byte counts as
// one character.
std::size_t CharLength(int lead)
{
    if (lead >= 0xF0 && lead <= 0xF7)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The pitch code of each note letter, the tie "^" and the rest "r"; a sharp adds 14, a flat
// subtracts 14.
constexpr std::pair<char, int> kPitchCodes[] = {
    {'c', 0},   {'d', 28},  {'e', 56},       {'f', 70},  {'g', 98},
    {'a', 126}, {'b', 154}, {'^', kTieCode}, {'r', 182},
};

// The pitch class of each note letter for "#DRUM", "c" 0 to "b" 11.
constexpr std::pair<char, int> kPitchClasses[] = {
    {'c', 0}, {'d', 2}, {'e', 4}, {'f', 5}, {'g', 7}, {'a', 9}, {'b', 11},
};

// The value a letter has in one of the tables above, or -1.
template <std::size_t N> int LetterValue(const std::pair<char, int> (&table)[N], char letter)
{
    for (const auto& [key, value] : table) {
        if (key == letter)
            return value;
    }
    return -1;
}

int PitchCode(const std::string& word)
{
    int code = LetterValue(kPitchCodes, word[0]);
    if (word.size() == 2)
        code += word[1] == '-' ? -14 : 14;
    return code;
}

bool IsNoteWord(const std::string& word)
{
    if (word.empty())
        return false;
    if (word.size() == 1)
        return IsPitchLetter(word[0]) || word[0] == '^' || word[0] == 'r';
    return word.size() == 2 && IsPitchLetter(word[0]) &&
           (word[1] == '+' || word[1] == '#' || word[1] == '-');
}

// The length values that have a length index, and the index: the dotted quarter (3) and the
// dotted eighth (6) are reached through a dot.
constexpr std::pair<int, int> kLengthIndices[] = {
    {1, 0},  {2, 1},  {3, 2},   {4, 4},   {6, 5},   {8, 7},
    {12, 8}, {16, 9}, {24, 10}, {32, 11}, {48, 12}, {64, 13},
};

int LengthIndex(std::int64_t value)
{
    for (const auto& [length, index] : kLengthIndices) {
        if (length == value)
            return index;
    }
    return -1;
}

// The length index of half of a length, for the tie a dot adds; -1 where the half would be
// shorter than a 64th.
constexpr int kHalfLength[] = {1, 4, 5, 9, 7, 8, 11, 9, 10, 11, 12, 13, -1, -1};

// A command name of up to three characters and an argument count as one number, so that the
// lookup compares integers.
constexpr std::uint32_t CommandKey(std::string_view name, std::size_t argCount)
{
    if (name.empty() || name.size() > 3 || argCount > 3)
        return 0;
    std::uint32_t key = static_cast<std::uint32_t>(argCount) + 1;
    for (std::size_t i = 0; i < name.size(); ++i)
        key |= static_cast<std::uint32_t>(static_cast<unsigned char>(name[i])) << (8 * (i + 1));
    return key;
}

// The target table's keys in the order of the lookup, from code 0xFF down to 0xC4: the first
// entry with the word's name and argument count wins.
struct CommandKeyEntry {
    std::uint32_t key;
    std::uint8_t code;
};

constexpr auto kCommandKeys = [] {
    std::array<CommandKeyEntry, kCommandTableSize> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto code = static_cast<std::uint8_t>(0xFF - i);
        const CommandTableEntry& entry = kTargetCommandTable[code - 0xC4];
        keys[i] = {CommandKey(entry.name, static_cast<std::size_t>(entry.argCount)), code};
    }
    return keys;
}();

int FindCommandCode(std::string_view name, std::size_t argCount)
{
    const std::uint32_t key = CommandKey(name, argCount);
    if (key == 0)
        return -1;
    for (const CommandKeyEntry& entry : kCommandKeys) {
        if (entry.key == key)
            return entry.code;
    }
    return -1;
}

bool IsSwitchWord(std::string_view name)
{
    return name.size() == 2 && name[0] == '%' &&
           (name[1] == 'e' || name[1] == 'd' || name[1] == 'l' || name[1] == 'n' || name[1] == 'p');
}

constexpr std::string_view kWaveKeyword = "#WAVE";
constexpr std::string_view kDrumKeyword = "#DRUM";
constexpr std::string_view kMapBattleKeyword = "#MAPBATTLE";
constexpr std::string_view kMonsterBattleKeyword = "#MONSTERBATTLE";
constexpr std::string_view kMapThemeKeyword = "#MAPTHEME";

struct InfoDirective {
    std::string_view keyword;
    std::string_view label;
};

constexpr InfoDirective kInfoDirectives[] = {
    {"#TITLE", "曲名："},
    {"#COMPOSER", "作曲："},
    {"#ORIGINAL", "原作："},
    {"#COPYRIGHT", "著作："},
};

} // namespace

void MML::StateCache::empty()
{
    instrument = kUnknown;
    m1 = kUnknown;
    volume = kUnknown;
    pan = kUnknown;
    eFlag = kUnknown;
    aValue = kUnknown;
    rValue = kUnknown;
}

bool MML::Fail(std::string message)
{
    error_ = std::move(message);
    return false;
}

// The scanner reads the source from `pos`, except while macro texts are being read: those
// lie on `expansions_`, innermost last, and are read first. A macro text that has been read
// to its end is dropped at once, so a macro that ends by calling another does not deepen the
// stack. Macro texts hold no line breaks; `line` is the line of the next source character,
// so the text of a macro called at the end of a line still counts to the line of the call.

bool MML::AtEnd() const
{
    return expansions_.empty() && pos > source.size();
}

int MML::Peek(std::size_t ahead) const
{
    for (std::size_t i = expansions_.size(); i > 0; --i) {
        const Expansion& expansion = expansions_[i - 1];
        const std::size_t left = expansion.text.size() - expansion.next;
        if (ahead < left)
            return static_cast<unsigned char>(expansion.text[expansion.next + ahead]);
        ahead -= left;
    }
    const std::size_t at = pos - 1 + ahead;
    return at < source.size() ? static_cast<unsigned char>(source[at]) : -1;
}

void MML::Advance()
{
    if (!expansions_.empty()) {
        if (++expansions_.back().next == expansions_.back().text.size())
            expansions_.pop_back();
        return;
    }
    if (pos > source.size())
        return;
    if (source[pos - 1] == '\n')
        ++line;
    ++pos;
}

std::string MML::TakeChar()
{
    std::string character;
    const int lead = Peek();
    if (lead < 0)
        return character;
    character += static_cast<char>(lead);
    Advance();
    for (std::size_t i = 1; i < CharLength(lead); ++i) {
        const int next = Peek();
        if (next < 0x80 || next > 0xBF)
            break;
        character += static_cast<char>(next);
        Advance();
    }
    return character;
}

void MML::SkipChars(std::size_t count)
{
    for (; count > 0; --count)
        Advance();
}

void MML::SkipBlanks()
{
    while (IsBlank(Peek()))
        Advance();
}

void MML::SkipComment()
{
    int depth = 0;
    while (!AtEnd()) {
        const int c = Peek();
        Advance();
        if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return;
        }
    }
}

void MML::SkipPastSemicolon()
{
    while (!AtEnd()) {
        const int c = Peek();
        Advance();
        if (c == ';')
            return;
    }
}

bool MML::LooksAt(std::string_view keyword) const
{
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (Peek(i) != static_cast<unsigned char>(keyword[i]))
            return false;
    }
    return true;
}

// A command word: one character, or two when the first is "%" or ":" (with any character),
// "/" before ":", or a pitch letter before "+", "#" or "-". At the end of the text the word is
// ";", which ends the channel.
std::string MML::ReadWord()
{
    if (AtEnd())
        return ";";
    std::string word = TakeChar();
    const int first = static_cast<unsigned char>(word[0]);
    const int next = Peek();
    if (first == '%' || first == ':') {
        word += TakeChar();
    } else if ((first == '/' && next == ':') ||
               (IsPitchLetter(first) && (next == '+' || next == '#' || next == '-'))) {
        word += TakeChar();
    }
    return word;
}

// The number rule: after blanks, a number starts with a digit, "." or "-" and goes on with
// digits and "."; a "," right after it is taken and ends it. "0x" takes the next `hexDigits`
// characters as they come, ending early at a ",". Returns an empty text, having taken only
// the blanks, when no number starts here.
std::string MML::ReadNumber(int hexDigits)
{
    SkipBlanks();
    const int first = Peek();
    if (!IsDigit(first) && first != '.' && first != '-')
        return {};
    std::string text(1, static_cast<char>(first));
    Advance();
    while (IsDigit(Peek()) || Peek() == '.') {
        text += static_cast<char>(Peek());
        Advance();
    }
    if (Peek() == ',') {
        Advance();
        return text;
    }
    if (text == "0" && Peek() == 'x') {
        text += 'x';
        Advance();
        for (int i = 0; i < hexDigits && !AtEnd(); ++i) {
            if (Peek() == ',') {
                Advance();
                return text;
            }
            text += TakeChar();
        }
        if (Peek() == ',')
            Advance();
    }
    return text;
}

void MML::Arguments::resize(std::size_t count)
{
    for (std::size_t i = count_; i < count; ++i)
        texts_[i].clear();
    count_ = count;
}

void MML::Arguments::eraseFirst()
{
    std::rotate(texts_.begin(), texts_.begin() + 1, texts_.end());
    --count_;
}

MML::Arguments MML::ReadArguments()
{
    Arguments arguments;
    while (arguments.size() < 3) {
        std::string argument = ReadNumber(2);
        if (argument.empty())
            break;
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

Status MML::Parse()
{
    source += "\n\n";
    pos = 1;
    line = 1;
    channel = 0;
    defaultLength.assign(1, '4');
    octaveReverse = false;
    macros = {};
    waves = {};
    drums = {};
    for (auto& statements : channels)
        statements.clear();
    error_.clear();
    expansions_.clear();
    expandedSize_ = 0;

    const bool parsed = ParseText();
    expansions_.clear();
    if (!parsed)
        return Failure{error_};
    return {};
}

bool MML::ParseText()
{
    while (!AtEnd()) {
        const int c = Peek();
        if (IsBlank(c)) {
            Advance();
        } else if (c == '{') {
            SkipComment();
        } else if (c == '#') {
            if (!ParseDirective())
                return false;
        } else {
            if (!ParseChannel())
                return false;
            // Whatever follows the last channel is not read, directives included.
            if (++channel == kChannelCount)
                break;
        }
    }
    return true;
}

// A directive is recognised by comparing its keyword's length of text, so "#WAVEFORM" is
// "#WAVE"; the order of the comparisons decides between keywords.
bool MML::ParseDirective()
{
    const int directiveLine = line;
    const std::size_t letterLength = CharLength(Peek(1));
    if (Peek(1) >= 0 && Peek(1 + letterLength) == '=')
        return ParseMacroDefinition();
    if (LooksAt(kWaveKeyword))
        return ParseWave(directiveLine);
    if (LooksAt(kDrumKeyword))
        return ParseDrum(directiveLine);
    if (LooksAt(kMapBattleKeyword))
        return ParsePlayback(kMapBattleKeyword, mapBattle, 2, 255, directiveLine);
    if (LooksAt(kMonsterBattleKeyword))
        return ParsePlayback(kMonsterBattleKeyword, monsterBattle, 4, 511, directiveLine);
    if (LooksAt(kMapThemeKeyword))
        return ParsePlayback(kMapThemeKeyword, mapTheme, 2, 32, directiveLine);
    if (LooksAt("#OCTAVE REVERSE")) {
        octaveReverse = true;
        SkipPastSemicolon();
        return true;
    }
    for (const InfoDirective& directive : kInfoDirectives) {
        if (LooksAt(directive.keyword)) {
            SkipChars(directive.keyword.size());
            ParseInfo(directive.label);
            return true;
        }
    }
    SkipPastSemicolon();
    return true;
}

// "#X=text;": the text up to ";" (or the end), without blanks, becomes macro X.
bool MML::ParseMacroDefinition()
{
    const int letter = Peek(1);
    if (CharLength(letter) != 1 || letter < 'A' || letter > 'Z')
        return Fail(LineText(kMacroFormatMessage, line));
    SkipChars(3); // "#", the letter, "="
    std::string text;
    while (!AtEnd() && Peek() != ';') {
        const int c = Peek();
        if (!IsBlank(c))
            text += static_cast<char>(c);
        Advance();
    }
    Advance(); // ";"
    macros[static_cast<std::size_t>(letter - 'A')] = std::move(text);
    return true;
}

bool MML::ParseWave(int directiveLine)
{
    SkipChars(kWaveKeyword.size());
    const std::string instrument = ReadNumber(2);
    const std::string wave = ReadNumber(2);
    const std::int64_t slot = std::int64_t{MmlInteger(instrument).value_or(0)} - 0x20;
    if (slot < 0 || slot >= static_cast<std::int64_t>(waves.size()))
        return Fail(LineText(kWaveFormatMessage, directiveLine));
    waves[static_cast<std::size_t>(slot)] = MmlInteger(wave).value_or(0);
    SkipPastSemicolon();
    return true;
}

// "#DRUM pitch, a, b, c;": the pitch class is read like a note word; the three numbers follow
// the next ",".
bool MML::ParseDrum(int directiveLine)
{
    SkipChars(kDrumKeyword.size());
    SkipBlanks();
    const std::string word = ReadWord();
    int pitchClass = LetterValue(kPitchClasses, word[0]);
    if (pitchClass >= 0 && word.size() == 2) {
        if (word[1] == '#' || word[1] == '+') {
            ++pitchClass;
        } else if (word[1] == '-') {
            --pitchClass;
        } else {
            pitchClass = -1;
        }
    }
    if (word.size() > 2 || pitchClass < 0 || pitchClass > 11)
        return Fail(LineText(kDrumFormatMessage, directiveLine));

    while (!AtEnd() && Peek() != ',') {
        if (Peek() == ';')
            return Fail(LineText(kDrumFormatMessage, directiveLine));
        Advance();
    }
    if (AtEnd())
        return Fail(LineText(kDrumFormatMessage, directiveLine));
    Advance(); // ","
    auto& record = drums[static_cast<std::size_t>(pitchClass)];
    for (int& value : record)
        value = MmlInteger(ReadNumber(2)).value_or(0);
    SkipPastSemicolon();
    return true;
}

// A list of numbers up to the first item that is not a number; an item that is no integer
// counts as 512, outside every range.
bool MML::ParsePlayback(std::string_view keyword, std::vector<int>& list, int hexDigits,
                        int maximum, int directiveLine)
{
    SkipChars(keyword.size());
    for (;;) {
        const std::string item = ReadNumber(hexDigits);
        if (item.empty())
            break;
        const int value = MmlInteger(item).value_or(512);
        if (value < 0 || value > maximum)
            return Fail(LineText(kPlaybackFormatMessage, directiveLine));
        list.push_back(value);
    }
    SkipPastSemicolon();
    return true;
}

void MML::ParseInfo(std::string_view label)
{
    std::string text;
    while (!AtEnd() && Peek() != ';') {
        text += static_cast<char>(Peek());
        Advance();
    }
    Advance(); // ";"
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    info += label;
    if (first < last)
        info.append(first, last);
    info += "\r\n";
}

bool MML::ParseChannel()
{
    defaultLength.assign(1, '4');
    for (;;) {
        for (;;) {
            SkipBlanks();
            if (Peek() != '{')
                break;
            SkipComment();
        }
        const int statementLine = line;
        const std::string word = ReadWord();
        if (word.size() == 1 && word[0] >= 'A' && word[0] <= 'Z') {
            if (!ExpandMacro(word[0], statementLine))
                return false;
            continue;
        }
        const Arguments arguments = ReadArguments();
        if (word == ";")
            return true;
        if (IsNoteWord(word)) {
            if (!ParseNote(word, arguments, statementLine))
                return false;
        } else if (word == "l") {
            defaultLength = arguments.empty() ? std::string() : arguments[0];
        } else if (!ParseTableCommand(word, arguments, statementLine)) {
            return false;
        }
    }
}

// A macro call reads the macro's text next, as if it stood in the source right after the
// letter. A macro not (yet) defined is empty.
bool MML::ExpandMacro(char letter, int statementLine)
{
    const std::string& text = macros[static_cast<std::size_t>(letter - 'A')];
    if (text.empty())
        return true;
    expandedSize_ += text.size();
    if (expandedSize_ > kMaxMacroExpansion)
        return Fail(LineText(kMacroTooLargeMessage, statementLine));
    if (expansions_.size() >= kMaxMacroDepth)
        return Fail(LineText(kMacroTooDeepMessage, statementLine));
    expansions_.push_back(Expansion{text, 0});
    return true;
}

// A note, tie or rest: its pitch code plus the length index of its length text, and a tie of
// half the previous length for every dot the length does not use up.
bool MML::ParseNote(const std::string& word, const Arguments& arguments, int statementLine)
{
    const int pitch = PitchCode(word);
    // A flat "c" would fall below the lowest pitch onto the control codes.
    if (pitch < 0)
        return UnknownCommand(word, arguments, statementLine);

    std::string joined;
    std::string_view length;
    if (arguments.empty()) {
        length = defaultLength;
    } else if (arguments[0][0] == '.') {
        joined = defaultLength + arguments[0];
        length = joined;
    } else {
        length = arguments[0];
    }

    std::int64_t value = 0;
    std::size_t i = 0;
    if (length.starts_with("0x")) {
        value = MmlInteger(length.substr(0, 4)).value_or(0);
        i = std::min<std::size_t>(4, length.size());
    }
    int dots = 0;
    for (; i < length.size(); ++i) {
        if (IsDigit(length[i])) {
            value = std::min(value * 10 + (length[i] - '0'), kLengthValueCap);
        } else if (length[i] == '.') {
            ++dots;
        }
    }

    const auto lengthError = [&] { return Fail(LineText(kLengthMessage, statementLine) + "\n"); };
    int index = LengthIndex(value);
    if (index < 0)
        return lengthError();
    if ((index == 4 || index == 7) && dots > 0) {
        --index;
        --dots;
    }
    auto& statements = channels[static_cast<std::size_t>(channel)];
    statements.push_back(mmlcom{0, static_cast<std::uint8_t>(pitch + index), {}});
    for (; dots > 0; --dots) {
        index = kHalfLength[index];
        if (index < 0)
            return lengthError();
        statements.push_back(mmlcom{0, static_cast<std::uint8_t>(kTieCode + index), {}});
    }
    return true;
}

// Every other word is looked up in the command table after a few rewrites of the word and its
// arguments.
bool MML::ParseTableCommand(const std::string& word, const Arguments& arguments, int statementLine)
{
    auto& statements = channels[static_cast<std::size_t>(channel)];
    if (word == "$") {
        statements.push_back(mmlcom{0, kLoopPointCode, {}});
        return true;
    }

    std::string name = word;
    Arguments values = arguments;
    if (octaveReverse && (name == "<" || name == ">"))
        name = name == "<" ? ">" : "<";
    if (name == "p" && values.size() == 3) {
        name = "p0,";
        values.eraseFirst();
    }
    if (name == "/:") {
        name = "[";
    } else if (name == ":/") {
        name = "]";
    } else if (name == "/") {
        name = "|";
    }
    // The loop break's arguments are filled in by the code generator.
    if (name == "|")
        values.resize(3);
    // "[n" plays the body n times and stores n - 1; a bare "[" plays it twice.
    if (name == "[") {
        if (values.empty()) {
            values.push_back("1");
        } else {
            const std::int64_t passes = MmlInteger(values[0]).value_or(2);
            values[0] = std::to_string(passes - 1);
        }
    }
    if (name == "k" && values.empty())
        values.push_back("0");
    if (IsSwitchWord(name)) {
        for (const std::string& value : values) {
            if (!MmlInteger(value))
                return UnknownCommand(word, arguments, statementLine);
        }
        if (values.size() == 1 && MmlInteger(values[0]) == 1)
            name += '1';
        values.clear();
    }

    const int code = FindCommandCode(name, values.size());
    if (code < 0)
        return UnknownCommand(word, arguments, statementLine);
    mmlcom statement{static_cast<std::int32_t>(values.size()), static_cast<std::uint8_t>(code), {}};
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.args[i] = static_cast<std::uint8_t>(MmlInteger(values[i]).value_or(0));
    statements.push_back(statement);
    return true;
}

bool MML::UnknownCommand(const std::string& word, const Arguments& arguments, int statementLine)
{
    std::string message = LineText(kUnknownCommandMessage, statementLine);
    message += '\n';
    message += word;
    for (const std::string& argument : arguments) {
        message += ',';
        message += argument;
    }
    return Fail(std::move(message));
}

} // namespace varn
