#include "charpatch/CharacterPatchFile.h"

#include <algorithm>

#include "charpatch/ItemLists.h"
#include "charpatch/PatchValidation.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {

namespace {

constexpr const char* kCorruptFileMessage = "ファイルが壊れています。";
constexpr const char* kRecordTooLargeMessage = "イベントの合計サイズが大きすぎます。";
constexpr const char* kCommentTooLongMessage = "コメントが長すぎます";
constexpr const char* kCommentNotLastMessage = "コメントのレコードは最後に一つだけ置けます。";

constexpr std::size_t kRecordHeadSize = 3;
constexpr std::size_t kMaxRecordLength = 255;
// The editor reads every record into a buffer of this size, cleared first.
constexpr std::size_t kRecordBufferSize = 256;

// Offsets of the fixed head.
constexpr std::size_t kNameOffset = 3;
constexpr std::size_t kGenderOffset = 11;
constexpr std::size_t kTitleOffset = 12;
constexpr std::size_t kPaletteOffset = 22;
constexpr std::size_t kTilesOffset = 54;
static_assert(kTilesOffset + std::tuple_size_v<SheetTiles> == kPatchHeadSize);

using Bytes = std::vector<std::uint8_t>;

template <class Array>
void CopyFrom(std::span<const std::uint8_t> bytes, std::size_t offset, Array& target)
{
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), target.size(), target.begin());
}

template <class Array> void Append(Bytes& out, const Array& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::uint8_t LowByte(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t NumberByte(const std::string& text)
{
    return LowByte(FieldNumber(text));
}

std::uint8_t Bit(bool on, std::uint8_t mask)
{
    return on ? mask : 0;
}

// A fixed field: the text without trailing blanks, padded with the full-width space.
template <std::size_t N>
Result<std::array<std::uint8_t, N>> EncodeFixed(const std::string& text, const char* tooLongMessage,
                                                const ExtensionTable& extensions)
{
    std::array<std::uint8_t, N> field{};
    const std::string trimmed = TrimTrailingBlanks(text);
    const int result = EncodeText(trimmed, field, extensions);
    if (result < 0) {
        return Failure{tooLongMessage};
    }
    if (result > 0) {
        return Failure{UnusableCharMessage(trimmed, result)};
    }
    return field;
}

// A variable text: measured first, then encoded into exactly that many bytes.
Result<Bytes> EncodeVariable(const std::string& text, const ExtensionTable& extensions)
{
    const TextMeasure measure = MeasureText(text, extensions);
    if (measure.result > 0) {
        return Failure{UnusableCharMessage(text, measure.result)};
    }
    Bytes bytes(static_cast<std::size_t>(measure.byteCount));
    if (const int result = EncodeText(text, bytes, extensions); result != 0) {
        return Failure{result > 0 ? UnusableCharMessage(text, result) : kRecordTooLargeMessage};
    }
    return bytes;
}

enum class PieceKind { Message, Choice };

// Builds the data of a conversation record: length-prefixed pieces and flag bytes.
class TalkRecordWriter {
public:
    explicit TalkRecordWriter(const ExtensionTable& extensions) : extensions_(extensions) {}

    void piece(const std::string& field, PieceKind kind)
    {
        if (failure_) {
            return;
        }
        std::string text = TrimTrailingBlanks(field);
        if (kind == PieceKind::Choice && ChoiceNeedsLineBreak(field)) {
            text += "\n";
        }
        Result<Bytes> encoded = EncodeVariable(text, extensions_);
        if (!encoded) {
            failure_ = Failure{encoded.message()};
            return;
        }
        // A piece past 255 bytes makes the record too large; that is refused below.
        data_.push_back(LowByte(static_cast<int>(encoded.value().size())));
        Append(data_, encoded.value());
    }

    void flag(std::uint8_t value) { data_.push_back(value); }

    Result<PatchRecord> finish(std::uint8_t type) &&
    {
        if (failure_) {
            return *failure_;
        }
        if (data_.size() > kMaxRecordLength) {
            return Failure{kRecordTooLargeMessage};
        }
        return PatchRecord{type, std::move(data_)};
    }

private:
    const ExtensionTable& extensions_;
    Bytes data_;
    std::optional<Failure> failure_;
};

// Reads the pieces and flags of a conversation record in order. A piece or flag past the end
// of the data reads as empty or 0, and a piece that runs past the end is cut there.
class TalkRecordReader {
public:
    explicit TalkRecordReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t flag()
    {
        const std::uint8_t value = pos_ < data_.size() ? data_[pos_] : 0;
        ++pos_;
        return value;
    }

    Bytes piece()
    {
        const std::size_t length = flag();
        const std::size_t begin = std::min(pos_, data_.size());
        const std::size_t end = std::min(pos_ + length, data_.size());
        pos_ += length;
        return Bytes(data_.begin() + static_cast<std::ptrdiff_t>(begin),
                     data_.begin() + static_cast<std::ptrdiff_t>(end));
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

// A conversation piece as the editor shows it: decoded and without blanks or line breaks at
// either end (so the line break stored after a short choice disappears again); empty when the
// piece does not decode.
std::string PieceText(std::span<const std::uint8_t> piece, const ExtensionTable& extensions)
{
    const DecodedText decoded = DecodeText(piece, extensions);
    if (!decoded.ok) {
        return {};
    }
    std::string_view text = decoded.text;
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// The selected index a stored index gives: one the list does not have selects item 0.
int IndexOrFirst(std::uint8_t index, std::size_t itemCount)
{
    return index < itemCount ? index : 0;
}

std::uint8_t CodeInList(const ItemList& items, std::uint8_t code)
{
    return items[static_cast<std::size_t>(ItemIndexOfCode(items, code))].code;
}

void LoadStatus(const Bytes& b, CharacterForm& form)
{
    for (std::size_t i = 0; i < form.attributes.size(); ++i) {
        form.attributes[i] = std::to_string(b[i]);
    }
    form.lp = std::to_string(b[7]);
    form.guardianStar = IndexOrFirst(b[8], GuardianStarItems().size());
    form.favouriteWeapon = IndexOrFirst(b[9], FavouriteWeaponItems().size());
    form.sparkType = IndexOrFirst(b[10], SparkTypeItems().size());
    form.growthType = IndexOrFirst(b[11], GrowthTypeItems().size());
    form.initialMagic = IndexOrFirst(b[12], InitialMagicItems().size());
}

void LoadLevels(const Bytes& b, CharacterForm& form)
{
    const int hp = b[0] | (b[1] << 8);
    form.hp = std::to_string(hp & 0x7FFF);
    form.levelGrowth[0] = (hp & 0x8000) != 0;
    // 斬 打 突 射 体術 in bytes 2-6, 増幅 in byte 9; growth flags in bit 7.
    for (std::size_t i = 0; i < 5; ++i) {
        form.levels[i] = std::to_string(b[2 + i] & 0x7F);
        form.levelGrowth[1 + i] = (b[2 + i] & 0x80) != 0;
    }
    form.levels[5] = std::to_string(b[9] & 0x7F);
    form.levelGrowth[6] = (b[9] & 0x80) != 0;
    // 地術 and 天術 hold their school in bits 5-6.
    form.levels[6] = std::to_string(b[7] & 0x1F);
    form.levelGrowth[7] = (b[7] & 0x80) != 0;
    form.earthSchool = (b[7] >> 5) & 0x03;
    form.levels[7] = std::to_string(b[8] & 0x1F);
    form.levelGrowth[8] = (b[8] & 0x80) != 0;
    switch (b[8] & 0x60) {
    case 0x00:
        form.heavenSchool = 0;
        break;
    case 0x20:
        form.heavenSchool = 1;
        break;
    default:
        form.heavenSchool = -1;
        break;
    }
}

void LoadFirstTalk(const Bytes& buffer, CharacterForm& form, const ExtensionTable& extensions)
{
    const FirstTalk talk = ParseFirstTalk(buffer);
    form.firstLine = PieceText(talk.opening[0], extensions);
    form.firstOk = PieceText(talk.opening[1], extensions);
    form.firstNg = PieceText(talk.opening[2], extensions);
    form.firstAfterOk = PieceText(talk.opening[3], extensions);
    form.secondChoice = talk.secondChoice;
    form.secondOk = PieceText(talk.second[0], extensions);
    form.secondNg = PieceText(talk.second[1], extensions);
    form.joinLine = PieceText(talk.second[2], extensions);
    form.hpCondition = talk.hpCondition == 0 ? 0 : talk.hpCondition == 1 ? 1 : 2;
    form.refuseLine = PieceText(talk.refuseLine, extensions);
}

void LoadRepeatTalk(const Bytes& buffer, CharacterForm& form, const ExtensionTable& extensions)
{
    const std::array<Bytes, 5> pieces = ParseRepeatTalk(buffer);
    form.repeatLine = PieceText(pieces[0], extensions);
    form.repeatOk = PieceText(pieces[1], extensions);
    form.repeatNg = PieceText(pieces[2], extensions);
    form.repeatAfterOk = PieceText(pieces[3], extensions);
    form.repeatAfterNg = PieceText(pieces[4], extensions);
}

void LoadRecord(const PatchRecord& record, CharacterForm& form, const ExtensionTable& extensions)
{
    // The editor reads a record into a cleared buffer, so bytes a short record lacks read as 0.
    const Bytes b = record.padded(kRecordBufferSize, 0);
    switch (record.type) {
    case kStatusRecord:
        LoadStatus(b, form);
        break;
    case kLevelRecord:
        LoadLevels(b, form);
        break;
    case kSkillRecord:
        for (std::size_t i = 0; i < 4; ++i) {
            form.techniques[i] = CodeInList(TechniqueItems(), b[i]);
            form.spells[i] = CodeInList(SpellItems(), b[4 + i]);
        }
        break;
    case kEquipmentRecord:
        for (std::size_t i = 0; i < 4; ++i) {
            form.weapons[i] = CodeInList(WeaponItems(), b[i]);
            form.armours[i] = CodeInList(ArmourItems(), b[4 + i]);
        }
        break;
    case kGrowthRecord:
        for (std::size_t i = 0; i < form.growthRates.size(); ++i) {
            form.growthRates[i] = std::to_string(b[i]);
        }
        break;
    case kPurchaseBanRecord:
        for (std::size_t i = 0; i < form.purchaseBan.size(); ++i) {
            form.purchaseBan[i] = (b[0] & (1u << i)) != 0;
        }
        break;
    case kSpecialRecord:
        form.formation = CodeInList(FormationItems(), b[0]);
        form.exclusiveWeapon = CodeInList(ExclusiveWeaponItems(), b[1]);
        form.commander = CodeInList(CommanderItems(), b[2]);
        break;
    case kCostRecord:
        for (std::size_t i = 0; i < form.magicCost.size(); ++i) {
            form.magicCost[i] = (b[0] & (0x80u >> i)) != 0;
        }
        for (std::size_t i = 0; i < form.weaponCost.size(); ++i) {
            form.weaponCost[i] = (b[1] & (0x80u >> i)) != 0;
        }
        break;
    case kFirstTalkRecord:
        LoadFirstTalk(b, form, extensions);
        break;
    case kRepeatTalkRecord:
        LoadRepeatTalk(b, form, extensions);
        break;
    case kLastBattleRecord:
        form.lastBattleLine = DecodeText(record.data, extensions).text;
        break;
    case kTalkMusicRecord:
        form.talkMusic = IndexOrFirst(b[0], TalkMusicItems().size());
        break;
    default:
        break;
    }
}

Bytes StatusData(const CharacterForm& form)
{
    Bytes data;
    for (const std::string& attribute : form.attributes) {
        data.push_back(NumberByte(attribute));
    }
    data.push_back(NumberByte(form.lp));
    for (const int index : {form.guardianStar, form.favouriteWeapon, form.sparkType,
                            form.growthType, form.initialMagic}) {
        data.push_back(LowByte(index));
    }
    return data;
}

Bytes LevelData(const CharacterForm& form)
{
    const int hp = (FieldNumber(form.hp) & 0x7FFF) | (form.levelGrowth[0] ? 0x8000 : 0);
    Bytes data{LowByte(hp), LowByte(hp >> 8)};
    const auto level = [&](std::size_t field, std::size_t growth, int mask) {
        return static_cast<std::uint8_t>((FieldNumber(form.levels[field]) & mask) |
                                         Bit(form.levelGrowth[growth], 0x80));
    };
    for (std::size_t i = 0; i < 5; ++i) {
        data.push_back(level(i, 1 + i, 0x7F));
    }
    data.push_back(static_cast<std::uint8_t>(level(6, 7, 0x1F) | ((form.earthSchool & 0x03) << 5)));
    data.push_back(
        static_cast<std::uint8_t>(level(7, 8, 0x1F) | Bit(form.heavenSchool == 1, 0x20)));
    data.push_back(level(5, 6, 0x7F));
    return data;
}

Bytes CodesData(const std::array<std::uint8_t, 4>& first, const std::array<std::uint8_t, 4>& second)
{
    Bytes data(first.begin(), first.end());
    Append(data, second);
    return data;
}

Bytes GrowthData(const CharacterForm& form)
{
    Bytes data;
    for (const std::string& rate : form.growthRates) {
        data.push_back(NumberByte(rate));
    }
    return data;
}

Bytes PurchaseBanData(const CharacterForm& form)
{
    std::uint8_t bits = 0;
    for (std::size_t i = 0; i < form.purchaseBan.size(); ++i) {
        bits |= Bit(form.purchaseBan[i], static_cast<std::uint8_t>(1u << i));
    }
    return {bits};
}

Bytes CostData(const CharacterForm& form)
{
    std::uint8_t magic = 0;
    for (std::size_t i = 0; i < form.magicCost.size(); ++i) {
        magic |= Bit(form.magicCost[i], static_cast<std::uint8_t>(0x80u >> i));
    }
    std::uint8_t weapons = 0;
    for (std::size_t i = 0; i < form.weaponCost.size(); ++i) {
        weapons |= Bit(form.weaponCost[i], static_cast<std::uint8_t>(0x80u >> i));
    }
    return {magic, weapons};
}

Result<PatchRecord> FirstTalkData(const CharacterForm& form, const ExtensionTable& extensions)
{
    TalkRecordWriter writer(extensions);
    writer.piece(form.firstLine, PieceKind::Message);
    writer.piece(form.firstOk, PieceKind::Choice);
    writer.piece(form.firstNg, PieceKind::Choice);
    writer.piece(form.firstAfterOk, PieceKind::Message);
    writer.flag(form.secondChoice ? 1 : 0);
    if (form.secondChoice) {
        writer.piece(form.secondOk, PieceKind::Choice);
        writer.piece(form.secondNg, PieceKind::Choice);
        writer.piece(form.joinLine, PieceKind::Message);
        writer.flag(LowByte(form.hpCondition));
        if (form.hpCondition != 0) {
            writer.piece(form.refuseLine, PieceKind::Message);
        }
    }
    return std::move(writer).finish(kFirstTalkRecord);
}

Result<PatchRecord> RepeatTalkData(const CharacterForm& form, const ExtensionTable& extensions)
{
    TalkRecordWriter writer(extensions);
    writer.piece(form.repeatLine, PieceKind::Message);
    writer.piece(form.repeatOk, PieceKind::Choice);
    writer.piece(form.repeatNg, PieceKind::Choice);
    writer.piece(form.repeatAfterOk, PieceKind::Message);
    writer.piece(form.repeatAfterNg, PieceKind::Message);
    return std::move(writer).finish(kRepeatTalkRecord);
}

} // namespace

std::size_t FullRecordLength(std::uint8_t type)
{
    switch (type) {
    case kStatusRecord:
        return 13;
    case kLevelRecord:
        return 10;
    case kSkillRecord:
    case kEquipmentRecord:
        return 8;
    case kGrowthRecord:
        return 15;
    case kPurchaseBanRecord:
        return 1;
    case kSpecialRecord:
        return 3;
    case kCostRecord:
        return 2;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> PatchRecord::padded(std::size_t length, std::uint8_t fill) const
{
    Bytes result(length, fill);
    std::copy_n(data.begin(), std::min(length, data.size()), result.begin());
    return result;
}

bool PatchFile::hasMagic() const
{
    return std::equal(magic.begin(), magic.end(), kPatchMagic.begin(), kPatchMagic.end());
}

const PatchRecord* PatchFile::find(std::uint8_t type) const
{
    const auto found =
        std::find_if(records.begin(), records.end(),
                     [type](const PatchRecord& record) { return record.type == type; });
    return found == records.end() ? nullptr : &*found;
}

std::string CommentText(const PatchComment& comment)
{
    const auto end = std::find(comment.bytes.begin(), comment.bytes.end(), std::uint8_t{0});
    const std::string text = DecodeTextFileBytes(std::string_view(
        reinterpret_cast<const char*>(comment.bytes.data()),
        static_cast<std::size_t>(end - comment.bytes.begin())));
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            shown += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

std::string StoredCommentText(std::string_view shown)
{
    std::string stored;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '\n' || shown[i] == '\r') {
            stored += "\r\n";
            if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n')
                ++i;
        } else {
            stored += shown[i];
        }
    }
    return stored;
}

Result<PatchFile> ParsePatchFile(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kPatchHeadSize) {
        return Failure{kCorruptFileMessage};
    }
    PatchFile patch;
    CopyFrom(bytes, 0, patch.magic);
    CopyFrom(bytes, kNameOffset, patch.name);
    patch.gender = bytes[kGenderOffset];
    CopyFrom(bytes, kTitleOffset, patch.title);
    CopyFrom(bytes, kPaletteOffset, patch.palette);
    CopyFrom(bytes, kTilesOffset, patch.tiles);

    // Each record is read only as far as the file goes: a record head cut by the end of the
    // file ends the walk, a record's data cut by it keeps what is there.
    std::size_t pos = kPatchHeadSize;
    while (bytes.size() - pos >= kRecordHeadSize) {
        const std::uint8_t type = bytes[pos];
        const std::size_t dataStart = pos + kRecordHeadSize;
        const std::size_t available = bytes.size() - dataStart;
        if (type == kCommentRecord) {
            const std::size_t length = std::min(available, kMaxCommentBytes);
            const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(dataStart);
            patch.comment =
                PatchComment{static_cast<std::uint16_t>(bytes[pos + 1] | (bytes[pos + 2] << 8)),
                             Bytes(start, start + static_cast<std::ptrdiff_t>(length))};
            break;
        }
        const std::size_t length = std::min<std::size_t>(bytes[pos + 2], available);
        const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(dataStart);
        patch.records.push_back({type, Bytes(start, start + static_cast<std::ptrdiff_t>(length))});
        pos = dataStart + length;
    }
    return patch;
}

Result<PatchFile> ReadPatchFile(const std::filesystem::path& path)
{
    Result<Bytes> bytes = ReadFileBytes(path);
    if (!bytes) {
        return Failure{bytes.message()};
    }
    return ParsePatchFile(bytes.value());
}

Result<std::vector<std::uint8_t>> SerializePatchFile(const PatchFile& patch)
{
    Bytes out;
    out.reserve(kPatchHeadSize + 512);
    Append(out, patch.magic);
    Append(out, patch.name);
    out.push_back(patch.gender);
    Append(out, patch.title);
    Append(out, patch.palette);
    Append(out, patch.tiles);
    for (const PatchRecord& record : patch.records) {
        if (record.type == kCommentRecord) {
            return Failure{kCommentNotLastMessage};
        }
        if (record.data.size() > kMaxRecordLength) {
            return Failure{kRecordTooLargeMessage};
        }
        out.push_back(record.type);
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(record.data.size()));
        Append(out, record.data);
    }
    if (patch.comment) {
        if (patch.comment->bytes.size() > kMaxCommentBytes) {
            return Failure{kCommentTooLongMessage};
        }
        out.push_back(kCommentRecord);
        out.push_back(static_cast<std::uint8_t>(patch.comment->count));
        out.push_back(static_cast<std::uint8_t>(patch.comment->count >> 8));
        Append(out, patch.comment->bytes);
    }
    return out;
}

Result<PatchFile> BuildPatchFile(const CharacterForm& form, const GifImage& sheet,
                                 const ExtensionTable& extensions)
{
    if (sheet.frames.empty()) {
        return Failure{"画像を指定してください。"};
    }
    PatchFile patch;
    auto name = EncodeFixed<8>(form.name, "名前が長すぎます。", extensions);
    if (!name) {
        return Failure{name.message()};
    }
    patch.name = name.value();
    const ItemList& genders = GenderItems();
    const bool genderListed =
        form.gender >= 0 && static_cast<std::size_t>(form.gender) < genders.size();
    patch.gender = genders[genderListed ? static_cast<std::size_t>(form.gender) : 0].code;
    auto title = EncodeFixed<10>(form.title, "肩書きが長すぎます。", extensions);
    if (!title) {
        return Failure{title.message()};
    }
    patch.title = title.value();
    patch.palette = PaletteFromImage(sheet);
    patch.tiles = TilesFromImage(sheet);

    patch.records = {
        {kStatusRecord, StatusData(form)},
        {kLevelRecord, LevelData(form)},
        {kSkillRecord, CodesData(form.techniques, form.spells)},
        {kEquipmentRecord, CodesData(form.weapons, form.armours)},
        {kGrowthRecord, GrowthData(form)},
        {kPurchaseBanRecord, PurchaseBanData(form)},
        {kSpecialRecord, {form.formation, form.exclusiveWeapon, form.commander}},
        {kCostRecord, CostData(form)},
    };

    if (!form.firstLine.empty()) {
        Result<PatchRecord> first = FirstTalkData(form, extensions);
        if (!first) {
            return Failure{first.message()};
        }
        Result<PatchRecord> repeat = RepeatTalkData(form, extensions);
        if (!repeat) {
            return Failure{repeat.message()};
        }
        patch.records.push_back(std::move(first).value());
        patch.records.push_back(std::move(repeat).value());
    }
    if (!form.lastBattleLine.empty()) {
        Result<Bytes> line = EncodeVariable(TrimTrailingBlanks(form.lastBattleLine), extensions);
        if (!line) {
            return Failure{line.message()};
        }
        if (line.value().size() > kMaxRecordLength) {
            return Failure{kRecordTooLargeMessage};
        }
        patch.records.push_back({kLastBattleRecord, std::move(line).value()});
    }
    if (form.talkMusic != 0 && !form.firstLine.empty()) {
        patch.records.push_back({kTalkMusicRecord, {LowByte(form.talkMusic)}});
    }

    if (!form.comment.empty()) {
        if (const auto c = FirstCommentCharNotKept(form.comment)) {
            return Failure{"「" + *c + "」は使用できません。"};
        }
        const std::string stored = StoredCommentText(form.comment);
        const std::optional<std::string> bytes = Utf8ToCp932(stored);
        if (!bytes) {
            return Failure{kCommentTooLongMessage};
        }
        if (bytes->size() > kMaxCommentBytes) {
            return Failure{kCommentTooLongMessage};
        }
        std::size_t units = 0;
        for (const char32_t c : Utf8ToU32(stored)) {
            units += c > 0xFFFF ? 2 : 1;
        }
        patch.comment =
            PatchComment{static_cast<std::uint16_t>(units), Bytes(bytes->begin(), bytes->end())};
    }
    return patch;
}

Status WriteCharacterPatch(const std::filesystem::path& path, const CharacterForm& form,
                           const GifImage& sheet, const ExtensionTable& extensions)
{
    Result<PatchFile> patch = BuildPatchFile(form, sheet, extensions);
    if (!patch) {
        return Failure{patch.message()};
    }
    Result<Bytes> bytes = SerializePatchFile(patch.value());
    if (!bytes) {
        return Failure{bytes.message()};
    }
    if (!WriteFileAtomically(path, bytes.value())) {
        return Failure{kCannotOpenFileMessage};
    }
    return {};
}

Status LoadPatchIntoForm(const PatchFile& patch, CharacterForm& form, GifImage& sheet,
                         const ExtensionTable& extensions)
{
    sheet = GifImage{};
    const DecodedText name = DecodeText(patch.name, extensions);
    if (!name.ok) {
        return Failure{"名前に不正なコードが含まれています。"};
    }
    form.name = name.text;
    // The four gender codes select their item; any other code leaves the selection.
    const ItemList& genders = GenderItems();
    for (std::size_t i = 0; i < genders.size(); ++i) {
        if (genders[i].code == patch.gender) {
            form.gender = static_cast<int>(i);
        }
    }
    const DecodedText title = DecodeText(patch.title, extensions);
    if (!title.ok) {
        return Failure{"肩書きに不正なコードが含まれています。"};
    }
    form.title = title.text;
    BuildSheetImage(patch.palette, patch.tiles, sheet);
    form.talkMusic = 0;

    for (const PatchRecord& record : patch.records) {
        LoadRecord(record, form, extensions);
    }
    if (patch.comment) {
        form.comment = CommentText(*patch.comment);
    }
    return {};
}

Status LoadCharacterPatch(const std::filesystem::path& path, CharacterForm& form, GifImage& sheet,
                          const ExtensionTable& extensions)
{
    Result<PatchFile> patch = ReadPatchFile(path);
    if (!patch) {
        sheet = GifImage{};
        return Failure{patch.message()};
    }
    return LoadPatchIntoForm(patch.value(), form, sheet, extensions);
}

FirstTalk ParseFirstTalk(std::span<const std::uint8_t> data)
{
    TalkRecordReader reader(data);
    FirstTalk talk;
    for (Bytes& piece : talk.opening) {
        piece = reader.piece();
    }
    talk.secondChoice = reader.flag() != 0;
    for (Bytes& piece : talk.second) {
        piece = reader.piece();
    }
    talk.hpCondition = reader.flag();
    talk.refuseLine = reader.piece();
    return talk;
}

std::array<std::vector<std::uint8_t>, 5> ParseRepeatTalk(std::span<const std::uint8_t> data)
{
    TalkRecordReader reader(data);
    std::array<Bytes, 5> pieces;
    for (Bytes& piece : pieces) {
        piece = reader.piece();
    }
    return pieces;
}

} // namespace varn
