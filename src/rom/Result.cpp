#include "rom/Result.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace varn {

Failure NamedFailure(std::string_view message, std::string_view name)
{
    std::string text(message);
    text += '\n';
    text += name;
    return Failure{std::move(text)};
}

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
