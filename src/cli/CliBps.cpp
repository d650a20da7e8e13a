#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "patchlist/BpsPatch.h"
#include "patchlist/IpsPatch.h"
#include "rom/RomImageEdit.h"

namespace varn::cli {

// bps: one BPS patch on the image, as the patch list applies it. The patch and the image are
// checked before the image is changed: the patch's own checksum, then the image against the
// source the patch names, and, after applying, the result against its target.
int RunBps(Arguments arguments, std::ostream& out, std::ostream& err)
{
    ImageChangeOptions options;
    std::vector<std::string> operands;
    if (const auto problem = SplitBackupOption(arguments, operands, options))
        return UsageError(err, *problem);
    if (operands.size() != 2)
        return UsageError(err, "bps takes a ROM image and one BPS patch");
    const std::filesystem::path romPath = operands[0];
    const std::filesystem::path bpsPath = operands[1];
    const std::string bpsName = bpsPath.filename().string();
    if (const Status apart = CheckImageChangeInputs(romPath, std::span(&bpsPath, 1), options);
        !apart)
        return Fail(err, apart.message());

    // The patch list takes only files that begin with the BPS header; so does this verb. The
    // file's head is judged against its size before the file is read whole.
    const Result<std::vector<std::uint8_t>> bps = ReadBpsFile(bpsPath);
    if (!bps)
        return Fail(err, bps.message() + "\n" + bpsName);
    if (!HasBpsHeader(bps.value()))
        return Fail(err, std::string(kAbnormalFileMessage) + "\n" + bpsName);

    Record(options, "bps " + std::filesystem::path(bpsPath).filename().string());
    const Status applied = ChangeRomImage(
        romPath, [&](RomStream& rom) { return ApplyBpsPatch(rom, bps.value(), bpsName); },
        options);
    if (!applied)
        return Fail(err, applied.message());
    out << "applied " << bpsName << " to " << romPath.filename().string() << '\n';
    return kExitOk;
}

} // namespace varn::cli
