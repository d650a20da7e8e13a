#pragma once

#include <optional>
#include <ostream>

#include "rom/Result.h"

namespace varn {

// Shows a failure in test failures as its message, page and control.
void PrintTo(const Failure& failure, std::ostream* os);

} // namespace varn

namespace varn::test {

// The failure of a result, or nullopt for success: what a test compares with the failure it
// expects (nullopt when it expects none).
template <class T> std::optional<Failure> FailureOf(const Result<T>& result)
{
    if (result.ok()) {
        return std::nullopt;
    }
    return result.failure();
}

} // namespace varn::test
