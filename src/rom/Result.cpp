#include "rom/Result.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace varn {

std::string CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryMessage;
    } catch (const std::length_error&) {
        // A buffer asked for beyond what a container can hold.
        return kOutOfMemoryMessage;
    } catch (...) {
        return kUnexpectedErrorMessage;
    }
}

} // namespace varn
