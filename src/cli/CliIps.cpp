#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "patchlist/IpsPatch.h"
#include "rom/RomImageEdit.h"

namespace varn::cli {

namespace {

} // namespace

// ips: one IPS patch on the image, as the patch list applies it.
int RunIps(Arguments arguments, std::ostream& out, std::ostream& err)
{
    ImageChangeOptions options;
    std::vector<std::string> operands;
    if (const auto problem = SplitBackupOption(arguments, operands, options))
        return UsageError(err, *problem);
    if (operands.size() != 2)
        return UsageError(err, "ips takes a ROM image and one IPS patch");
    const std::string& romPath = operands[0];
    const std::string& ipsPath = operands[1];
    const std::filesystem::path inputs[] = {ipsPath};
    if (const Status apart = CheckImageChangeInputs(romPath, inputs, options); !apart)
        return Fail(err, apart.message());

    // The patch list takes only files that begin with the IPS header; so does this verb. The
    // file's size is checked before it is read.
    const Result<std::vector<std::uint8_t>> ips = ReadIpsFile(ipsPath);
    if (!ips)
        return Fail(err, ips.message() + "\n" + FileName(ipsPath));
    if (!HasIpsHeader(ips.value()))
        return Fail(err, std::string(kAbnormalFileMessage) + "\n" + FileName(ipsPath));

    Record(options, "ips " + std::filesystem::path(ipsPath).filename().string());
    const Status applied = ChangeRomImage(
        romPath,
        [&](RomStream& rom) { return ApplyIpsPatch(rom, ips.value(), FileName(ipsPath)); },
        options);
    if (!applied)
        return Fail(err, applied.message());
    out << "applied " << FileName(ipsPath) << " to " << FileName(romPath) << '\n';
    return kExitOk;
}

} // namespace varn::cli
