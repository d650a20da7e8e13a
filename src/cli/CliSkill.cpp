#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomHeader.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "skill/Skill.h"
#include "skill/SkillPage.h"

namespace varn::cli {

namespace {


struct SkillOptions {
    std::map<std::string, std::string, std::less<>> values; // option name -> its value
    bool backup = false;
    std::vector<std::string> operands;
};

// Reads options that take a value (those in `valued`) and, where allowed, --backup.
std::optional<std::string> ParseOptions(Arguments arguments,
                                        std::initializer_list<std::string_view> valued,
                                        bool allowBackup, SkillOptions& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--")) {
            options.operands.push_back(argument);
            continue;
        }
        if (allowBackup && argument == "--backup") {
            options.backup = true;
            continue;
        }
        bool known = false;
        for (std::string_view name : valued)
            known = known || argument == name;
        if (!known)
            return "unknown option: " + argument;
        if (i + 1 == arguments.size())
            return argument + " needs a value";
        options.values[argument] = arguments[++i];
    }
    return std::nullopt;
}

// An option's value read as a number; a problem to report when it is missing or malformed.
std::optional<std::string> TakeNumber(const SkillOptions& options, std::string_view name, int base,
                                      std::size_t maxDigits, int limit, std::optional<int>& value,
                                      std::string_view what)
{
    const auto found = options.values.find(name);
    if (found == options.values.end())
        return std::nullopt;
    value = ParseNumber(found->second, base, maxDigits);
    if (!value || *value >= limit) {
        value.reset();
        return std::string(name) + " takes " + std::string(what) + ": " + found->second;
    }
    return std::nullopt;
}

Result<RomHeaderInfo> ProbeImage(const std::string& path)
{
    auto stream = FileRomStream::open(path);
    if (!stream)
        return Failure{stream.message() + "\n" + path};
    return ProbeRomHeader(*stream.value());
}

// The copier header offset the page would take from the header strip: 512 only when the
// title was found behind a copier header.
int HeaderSize(const RomHeaderInfo& header)
{
    return !header.title.empty() && header.copierHeader ? kSkillCopierHeaderBytes : 0;
}

int ExportSkill(Arguments arguments, std::ostream& out, std::ostream& err)
{
    SkillOptions options;
    if (const auto problem = ParseOptions(
            arguments, {"--category", "--id", "--palette-category", "--palette-id"}, false, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 2)
        return UsageError(err, "skill export takes ROM and OUT.gif");
    std::optional<int> category, id, paletteCategory, paletteId;
    const int graphicCategories = static_cast<int>(kSkillGraphicCategories.size());
    const int paletteCategories = static_cast<int>(kSkillPaletteCategories.size());
    for (const auto& problem : {
             TakeNumber(options, "--category", 10, 1, graphicCategories, category,
                        "a graphic category from 0 to 4"),
             TakeNumber(options, "--id", 16, 2, 256, id, "an ID of two hexadecimal digits"),
             TakeNumber(options, "--palette-category", 10, 1, paletteCategories, paletteCategory,
                        "a palette category from 0 to 5"),
             TakeNumber(options, "--palette-id", 16, 2, 256, paletteId,
                        "an ID of two hexadecimal digits"),
         }) {
        if (problem)
            return UsageError(err, *problem);
    }
    if (!category || !id || !paletteCategory || !paletteId)
        return UsageError(err,
                          "skill export needs --category, --id, --palette-category and --palette-id");
    if (*id >= SkillGraphicIdCount(*category))
        return UsageError(err, "graphic category " + std::to_string(*category) + " has IDs 00 to " +
                                   HexDigits(SkillGraphicIdCount(*category) - 1, 2));
    if (*paletteId >= SkillPaletteIdCount(*paletteCategory))
        return UsageError(err, "palette category " + std::to_string(*paletteCategory) +
                                   " has IDs 00 to " +
                                   HexDigits(SkillPaletteIdCount(*paletteCategory) - 1, 2));

    const std::string& romPath = options.operands[0];
    const std::string& outPath = options.operands[1];
    if (const Status apart = CheckOutputNotInput(outPath, {romPath}); !apart)
        return Fail(err, apart.message());
    const auto header = ProbeImage(romPath);
    if (!header)
        return Fail(err, header.message());

    Skill skill;
    skill.romPath = romPath;
    skill.headerOffset = HeaderSize(header.value());
    skill.graphicCategory = *category;
    skill.graphicId = *id;
    skill.paletteCategory = *paletteCategory;
    skill.paletteId = *paletteId;
    if (const Status read = skill.ReadGraphic(); !read)
        return Fail(err, read.message() + "\n" + romPath);
    if (const Status saved = skill.SaveShownImage(outPath); !saved)
        return Fail(err, saved.message());
    out << outPath << '\n';
    return kExitOk;
}

int Write(Arguments arguments, std::ostream& out, std::ostream& err)
{
    SkillOptions options;
    if (const auto problem =
            ParseOptions(arguments, {"--id", "--address", "--palette-id"}, true, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 2)
        return UsageError(err, "skill write takes ROM and IN.gif");
    std::optional<int> id, address, paletteId;
    for (const auto& problem : {
             TakeNumber(options, "--id", 16, 2, 256, id, "an ID of two hexadecimal digits"),
             TakeNumber(options, "--address", 16, 6, 0x1000000, address,
                        "a file offset of up to six hexadecimal digits"),
             TakeNumber(options, "--palette-id", 16, 2, 256, paletteId,
                        "an ID of two hexadecimal digits"),
         }) {
        if (problem)
            return UsageError(err, *problem);
    }
    if (!id)
        return UsageError(err, "skill write needs --id");

    const std::string& romPath = options.operands[0];
    const std::string& gifPath = options.operands[1];
    ImageChangeOptions change;
    change.backup = options.backup;
    const std::filesystem::path inputs[] = {gifPath};
    if (const Status apart = CheckImageChangeInputs(romPath, inputs, change); !apart)
        return Fail(err, apart.message());
    const auto header = ProbeImage(romPath);
    if (!header)
        return Fail(err, header.message());

    // The page writes into the reserved categories; an image of the second game switches the
    // page to that game's categories, where nothing can be written.
    SkillSelection selection{kWritableGraphicCategory, *id, kWritablePaletteCategory,
                             paletteId.value_or(0)};
    if (const SkillTitleSwitch titleSwitch = SwitchSkillCategories(header.value().title, selection);
        titleSwitch.shows)
        selection = titleSwitch.selection;

    Skill skill;
    if (const Status imported = skill.ImportImage(gifPath); !imported)
        return Fail(err, imported.message() + "\n" + gifPath);
    SkillWriteRequest request;
    request.romPath = romPath;
    request.headerSize = HeaderSize(header.value());
    request.selection = selection;
    request.address = address.value_or(kSkillDefaultAddress);
    request.writePalette = paletteId.has_value();
    Record(change, "skill write " + HexDigits(*id, 2));
    const Result<int> lastAddress = WriteSkillGraphic(skill, request, change);
    if (!lastAddress)
        return Fail(err, lastAddress.message());
    out << "last address: " << SkillWriteAddressText(lastAddress.value()) << '\n';
    return kExitOk;
}

} // namespace

// skill export|write: the technique and spell graphics of the image.
int RunSkill(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "skill needs export or write");
    if (arguments[0] == "export")
        return ExportSkill(arguments.subspan(1), out, err);
    if (arguments[0] == "write")
        return Write(arguments.subspan(1), out, err);
    return UsageError(err, "unknown skill command: " + arguments[0]);
}

} // namespace varn::cli
