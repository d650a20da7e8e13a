#include <ostream>

#include "cli/Cli.h"
#include "rom/RomIdentification.h"
#include "rom/RomStream.h"

namespace varn::cli {

// identify ROM: what the header strip of the editor would show, and whether the image is
// the one the editor expects.
int RunIdentify(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return UsageError(err, "identify takes one ROM image");
    const std::filesystem::path path = arguments[0];
    auto stream = FileRomStream::open(path);
    if (!stream)
        return Fail(err, stream.message() + "\n" + arguments[0]);

    const RomHeaderInfo header = ProbeRomHeader(*stream.value());
    out << "title: " << header.title << '\n'
        << "version: " << RomVersionText(header) << '\n'
        << "header: " << RomCopierHeaderText(header) << '\n'
        << "expected: " << (IsExpectedImage(header) ? "yes" : "no") << '\n';
    return kExitOk;
}

} // namespace varn::cli
