#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "rom/HexText.h"
#include "rom/RomHeader.h"
#include "rom/RomIdentification.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "spark/SparkTable.h"

namespace varn::cli {

namespace {

// The editor loads the table only from the game at the expected version byte.
Status CheckSparkImage(RomStream& rom)
{
    const RomHeaderInfo header = ProbeRomHeader(rom);
    if (header.title != kTargetTitle || header.version != kTargetVersion)
        return Failure{kNotTargetImageMessage};
    return {};
}

// A row as a line: its label, a tab, and its sixteen marks separated by spaces.
std::string RowLine(const std::vector<std::string>& cells)
{
    std::string line = cells.front() + "\t";
    for (std::size_t i = 1; i < cells.size(); ++i)
        line += (i > 1 ? " " : "") + cells[i];
    return line + "\n";
}

int ShowSpark(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1 || arguments[0].starts_with("--"))
        return UsageError(err, "spark show takes one ROM image");
    auto rom = FileRomStream::open(arguments[0]);
    if (!rom)
        return Fail(err, rom.message() + "\n" + arguments[0]);
    if (const Status image = CheckSparkImage(*rom.value()); !image)
        return Fail(err, image.message());
    const SparkTable table = LoadSparkTable(*rom.value());
    out << RowLine(SparkGridHeader());
    for (const SparkRow& row : table.rows)
        out << RowLine(SparkGridCells(row));
    return kExitOk;
}

int Set(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> techniqueText, slotText, maskText;
    ImageChangeOptions options;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string>* value = nullptr;
        if (argument == "--technique")
            value = &techniqueText;
        else if (argument == "--slot")
            value = &slotText;
        else if (argument == "--mask")
            value = &maskText;
        else if (argument == "--backup")
            options.backup = true;
        else if (argument.starts_with("--"))
            return UsageError(err, "unknown option: " + argument);
        else
            operands.push_back(argument);
        if (value != nullptr) {
            if (i + 1 == arguments.size())
                return UsageError(err, argument + " needs a value");
            *value = arguments[++i];
        }
    }
    if (operands.size() != 1)
        return UsageError(err, "spark set takes one ROM image");
    if (techniqueText.has_value() == slotText.has_value())
        return UsageError(err, "spark set needs either --technique HH or --slot HH");
    if (!maskText)
        return UsageError(err, "spark set needs --mask HHHH");
    const std::string& codeText = techniqueText ? *techniqueText : *slotText;
    const std::optional<std::uint32_t> code = ParseHex(codeText, 1, 2);
    if (!code)
        return UsageError(err, (techniqueText ? "--technique" : "--slot") +
                                   std::string(" takes two hexadecimal digits: ") + codeText);
    const std::optional<std::uint32_t> mask = ParseHex(*maskText, 1, 4);
    if (!mask)
        return UsageError(err, "--mask takes up to four hexadecimal digits: " + *maskText);
    const bool expansion = slotText.has_value();
    // The only file the verb writes besides the image is its backup, which may not be the image.
    if (const Status apart = CheckImageChangeInputs(operands[0], {}, options); !apart)
        return Fail(err, apart.message());

    Record(options, std::string(expansion ? "spark set --slot " : "spark set ") + HexDigits(*code, 2));
    std::string line;
    const Status written = ChangeRomImage(
        operands[0],
        [&](RomStream& rom) -> Status {
            if (const Status image = CheckSparkImage(rom); !image)
                return image;
            SparkTable table = LoadSparkTable(rom);
            for (std::size_t i = 0; i < table.rows.size(); ++i) {
                const SparkRow& row = table.rows[i];
                if (row.code != static_cast<int>(*code) || row.expansion != expansion)
                    continue;
                SetSparkMask(table, i, static_cast<std::uint16_t>(*mask));
                line = RowLine(SparkGridCells(table.rows[i]));
                return WriteSparkMasks(rom, table);
            }
            return Failure{"閃き適正の表に【" + HexDigits(*code, 2) + "】の行はありません。"};
        },
        options);
    if (!written)
        return Fail(err, written.message());
    out << line;
    return kExitOk;
}

} // namespace

// spark show|set: the spark aptitude table of the image.
int RunSpark(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "spark needs show or set");
    if (arguments[0] == "show")
        return ShowSpark(arguments.subspan(1), out, err);
    if (arguments[0] == "set")
        return Set(arguments.subspan(1), out, err);
    return UsageError(err, "unknown spark command: " + arguments[0]);
}

} // namespace varn::cli
