#include "rom/RomAddress.h"

#include "rom/RomStream.h"

namespace varn {

bool IsExpandedImage(const RomStream& stream)
{
    return IsExpandedImageSize(stream.size());
}

} // namespace varn
