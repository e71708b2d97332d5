#include "platform/WriterLock.h"

namespace tallowby::platform {

// The stand-in's WritePrivateProfileStringA takes the writers' locks itself,
// for every caller, so around it there is nothing left to hold.
struct WriterLock::Held {};

WriterLock::WriterLock() = default;
WriterLock::~WriterLock() = default;

std::uint32_t WriterLock::Acquire(const char *) { return 0; }

} // namespace tallowby::platform
