#pragma once

#include "platform/CodePage.h"
#include "settings/Status.h"

#include <exception>
#include <new>

namespace tallowby {

// Runs the body of a public operation so that no exception leaves it: memory
// exhaustion becomes E_OUTOFMEMORY, a conversion the code page refused the
// platform's error, anything else E_UNEXPECTED.
template <typename Body>
Status GuardOperation(Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return kOutOfMemory;
    } catch (const platform::ConversionFailure &failure) {
        return Status::FromWin32(failure.error().code());
    } catch (...) {
        return kUnexpected;
    }
}

} // namespace tallowby
