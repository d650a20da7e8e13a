#include <filesystem>
#include <ostream>
#include <string>

#include "cli/Cli.h"
#include "patchlist/IpsPatch.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"

namespace varn::cli {

namespace {

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

// ips: one IPS patch on the image, as the patch list applies it.
int RunIps(Arguments arguments, std::ostream& out, std::ostream& err)
{
    for (const std::string& argument : arguments) {
        if (argument.starts_with("--"))
            return UsageError(err, "unknown option: " + argument);
    }
    if (arguments.size() != 2)
        return UsageError(err, "ips takes a ROM image and one IPS patch");
    const std::string& romPath = arguments[0];
    const std::string& ipsPath = arguments[1];

    // The patch list takes only files that begin with the IPS header; so does this verb.
    const Result<std::vector<std::uint8_t>> ips = ReadFileBytes(ipsPath);
    if (!ips)
        return Fail(err, ips.message() + "\n" + FileName(ipsPath));
    if (!HasIpsHeader(ips.value()))
        return Fail(err, std::string(kAbnormalFileMessage) + "\n" + FileName(ipsPath));

    auto rom = FileRomStream::open(romPath, RomAccess::ReadWrite);
    if (!rom)
        return Fail(err, rom.message() + "\n" + FileName(romPath));
    const Status applied = ApplyIpsPatch(*rom.value(), ips.value(), FileName(ipsPath));
    if (!applied)
        return Fail(err, applied.message());
    if (!rom.value()->flush())
        return Fail(err, std::string(kCannotWriteFileMessage) + "\n" + FileName(romPath));
    out << "applied " << FileName(ipsPath) << " to " << FileName(romPath) << '\n';
    return kExitOk;
}

} // namespace varn::cli
