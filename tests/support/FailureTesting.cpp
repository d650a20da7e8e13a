#include "support/FailureTesting.h"

namespace varn {

void PrintTo(const Failure& failure, std::ostream* os)
{
    *os << "{\"" << failure.message << "\", page " << failure.page << ", \"" << failure.control
        << "\"}";
}

} // namespace varn
