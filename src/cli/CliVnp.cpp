#include <filesystem>
#include <ostream>
#include <string>

#include "charpatch/ApplyCharacterPatch.h"
#include "charpatch/CharacterForm.h"
#include "charpatch/CharacterPatchFile.h"
#include "charpatch/ItemLists.h"
#include "cli/Cli.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomImageEdit.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"

namespace varn::cli {

namespace {

const char* RecordName(std::uint8_t type)
{
    switch (type) {
    case kStatusRecord:
        return "StatusRecord";
    case kLevelRecord:
        return "LevelRecord";
    case kSkillRecord:
        return "SkillRecord";
    case kEquipmentRecord:
        return "EquipmentRecord";
    case kGrowthRecord:
        return "GrowthRecord";
    case kPurchaseBanRecord:
        return "PurchaseBanRecord";
    case kSpecialRecord:
        return "SpecialRecord";
    case kCostRecord:
        return "CostRecord";
    case kFirstTalkRecord:
        return "FirstTalkRecord";
    case kRepeatTalkRecord:
        return "RepeatTalkRecord";
    case kLastBattleRecord:
        return "LastBattleRecord";
    case kTalkMusicRecord:
        return "TalkMusicRecord";
    default:
        return "unknown";
    }
}

// A game text on one line: line breaks shown as "\n"; one that does not decode says so.
std::string ShownText(std::span<const std::uint8_t> bytes, const ExtensionTable& extensions)
{
    const DecodedText decoded = DecodeText(bytes, extensions);
    if (!decoded.ok)
        return "(デコードできません: " + HexBytes(bytes) + ")";
    std::string shown;
    for (char c : decoded.text) {
        if (c == '\r')
            continue;
        if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return shown;
}

void PrintPieces(std::ostream& out, const PatchRecord& record, const ExtensionTable& extensions)
{
    const auto piece = [&](const char* label, const std::vector<std::uint8_t>& text) {
        out << "  " << label << ": " << ShownText(text, extensions) << '\n';
    };
    if (record.type == kFirstTalkRecord) {
        const FirstTalk talk = ParseFirstTalk(record.data);
        const char* opening[] = {kTalkLineCaption, kTalkOkCaption, kTalkNgCaption,
                                 kTalkAfterOkCaption};
        for (std::size_t i = 0; i < talk.opening.size(); ++i)
            piece(opening[i], talk.opening[i]);
        out << "  " << kSecondChoiceCaption << ": " << (talk.secondChoice ? "あり" : "なし")
            << '\n';
        if (!talk.secondChoice)
            return;
        const char* second[] = {kTalkOkCaption, kTalkNgCaption, "仲間になる時の相手のセリフ"};
        for (std::size_t i = 0; i < talk.second.size(); ++i)
            piece(second[i], talk.second[i]);
        out << "  最大HP判定: " << int(talk.hpCondition) << '\n';
        if (talk.hpCondition != 0)
            piece(kRefuseLineCaption, talk.refuseLine);
    } else if (record.type == kRepeatTalkRecord) {
        const auto pieces = ParseRepeatTalk(record.data);
        const char* labels[] = {kTalkLineCaption, kTalkOkCaption, kTalkNgCaption,
                                kTalkAfterOkCaption, kTalkAfterNgCaption};
        for (std::size_t i = 0; i < pieces.size(); ++i)
            piece(labels[i], pieces[i]);
    } else if (record.type == kLastBattleRecord) {
        piece(kLastBattleLineCaption, record.data);
    }
}

int Info(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> ini;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--ini" && i + 1 < arguments.size())
            ini = arguments[++i];
        else if (arguments[i].starts_with("--"))
            return UsageError(err, "unknown option: " + arguments[i]);
        else
            operands.push_back(arguments[i]);
    }
    if (operands.size() != 1)
        return UsageError(err, "vnp info takes one character patch");

    ExtensionTable extensions;
    if (const auto problem = LoadIniExtensions(ini, extensions))
        return Fail(err, *problem);

    const std::string& path = operands[0];
    const auto patch = ReadPatchFile(path);
    if (!patch)
        return Fail(err, patch.message() + "\n" + FileName(path));
    const PatchFile& file = patch.value();
    if (!file.hasMagic())
        return Fail(err, "ファイルが異常です。\n" + FileName(path));
    const DecodedText name = DecodeText(file.name, extensions);
    if (!name.ok)
        return Fail(err, "名前に不正なコードが含まれています。");
    const DecodedText title = DecodeText(file.title, extensions);
    if (!title.ok)
        return Fail(err, "肩書きに不正なコードが含まれています。");

    const ItemList& genders = GenderItems();
    std::string gender = "?";
    for (const ListItem& item : genders) {
        if (item.code == file.gender)
            gender = item.label;
    }
    out << "name: " << name.text << '\n'
        << "title: " << title.text << '\n'
        << "gender: " << HexBytes(std::span(&file.gender, 1)) << ' ' << gender << '\n'
        << "palette: " << HexBytes(file.palette) << '\n';
    for (const PatchRecord& record : file.records) {
        out << "record " << HexBytes(std::span(&record.type, 1)) << ' ' << RecordName(record.type)
            << " (" << record.data.size() << "): " << HexBytes(record.data) << '\n';
        PrintPieces(out, record, extensions);
    }
    if (file.comment) {
        out << "comment (" << file.comment->count << "): " << CommentText(*file.comment) << '\n';
    }
    return kExitOk;
}

// A target code as the patch list writes it: two hexadecimal digits.
std::optional<std::uint8_t> ParseTarget(const std::string& text)
{
    const std::optional<std::uint32_t> value = ParseHex(text, 2, 2);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

int Apply(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> targetText;
    ImageChangeOptions options;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--target" && i + 1 < arguments.size())
            targetText = arguments[++i];
        else if (arguments[i] == "--backup")
            options.backup = true;
        else if (arguments[i].starts_with("--"))
            return UsageError(err, "unknown option: " + arguments[i]);
        else
            operands.push_back(arguments[i]);
    }
    if (operands.size() != 2)
        return UsageError(err, "vnp apply takes a ROM image and one character patch");
    if (!targetText)
        return UsageError(err, "vnp apply needs --target HH");
    const std::optional<std::uint8_t> target = ParseTarget(*targetText);
    if (!target)
        return UsageError(err, "--target takes two hexadecimal digits: " + *targetText);

    const std::string& romPath = operands[0];
    const std::string& patchPath = operands[1];
    const std::filesystem::path inputs[] = {patchPath};
    if (const Status apart = CheckImageChangeInputs(romPath, inputs, options); !apart)
        return Fail(err, apart.message());
    Record(options, "vnp apply " + HexDigits(*target, 2) + " " + FileName(patchPath));
    const Status applied = ChangeRomImage(
        romPath, [&](RomStream& rom) { return ApplyCharacterPatch(rom, patchPath, *target); },
        options);
    if (!applied)
        return Fail(err, applied.message());
    out << "applied " << FileName(patchPath) << " to " << FileName(romPath) << " at target "
        << HexBytes(std::span(&*target, 1)) << '\n';
    return kExitOk;
}

} // namespace

// vnp info: what a character patch holds; vnp apply: a character patch into a slot.
int RunVnp(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "vnp needs info or apply");
    if (arguments[0] == "info")
        return Info(arguments.subspan(1), out, err);
    if (arguments[0] == "apply")
        return Apply(arguments.subspan(1), out, err);
    return UsageError(err, "unknown vnp command: " + arguments[0]);
}

} // namespace varn::cli
