#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "patchlist/MakePatch.h"
#include "text/TextFile.h"

namespace varn::cli {

// diff ORIGINAL MODIFIED OUT.ips|OUT.bps: the patch that turns ORIGINAL into MODIFIED, in the
// format the output's extension names, checked by applying it in memory before it is written.
int RunDiff(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> operands;
    std::optional<std::string> metadataPath;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--metadata") {
            if (i + 1 == arguments.size())
                return UsageError(err, "--metadata needs a text file");
            metadataPath = arguments[++i];
        } else if (argument.starts_with("--")) {
            return UsageError(err, "unknown option: " + argument);
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() != 3)
        return UsageError(err, "diff takes ORIGINAL, MODIFIED and OUT.ips or OUT.bps");
    const std::filesystem::path output = operands[2];
    const std::optional<PatchFormat> format = PatchFormatOf(output);
    if (!format)
        return UsageError(err, "diff writes OUT.ips or OUT.bps");
    if (metadataPath && *format != PatchFormat::Bps)
        return UsageError(err, "--metadata is for BPS patches only");

    // The metadata is a text file the author shares: read in UTF-8 or Shift-JIS, kept in UTF-8.
    // The patch may not replace it (nor, as MakePatchFile sees to, either image).
    std::string metadata;
    if (metadataPath) {
        if (const Status apart = CheckOutputNotInput(output, {*metadataPath}); !apart)
            return Fail(err, apart.message());
        Result<std::string> text = ReadTextFile(*metadataPath, kMaxBpsMetadataFileSize);
        if (!text)
            return Fail(err, text.message() + "\n" +
                                 std::filesystem::path(*metadataPath).filename().string());
        metadata = std::move(text).value();
    }

    const Result<std::size_t> written = MakePatchFile(operands[0], operands[1], output, metadata);
    if (!written)
        return Fail(err, written.message());
    out << "written " << output.filename().string() << " ("
        << (*format == PatchFormat::Bps ? "BPS" : "IPS") << ", " << written.value()
        << " bytes)\n";
    return kExitOk;
}

} // namespace varn::cli
