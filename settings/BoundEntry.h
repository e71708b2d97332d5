#pragma once

#include "platform/Library.h"
#include "settings/Status.h"

namespace tallowby {

// A platform entry bound by library and entry name at its first use, then
// kept for the owner's life. A binding that fails is attempted again at the
// next use. `LibraryT` is the loader; tests substitute their own.
template <typename Fn, typename LibraryT = platform::Library>
class BoundEntry {
public:
    BoundEntry(const char *library, const char *entry) : libraryName_(library), entryName_(entry) {}

    // Sets `fn` to the bound entry, binding it first if need be.
    Status Get(Fn &fn)
    {
        if (entry_ == nullptr) {
            LibraryT library;
            if (const platform::Error error = LibraryT::Open(libraryName_, library); error.failed())
                return Status::FromWin32(error.code());
            void *address = nullptr;
            if (const platform::Error error = library.Find(entryName_, address); error.failed())
                return Status::FromWin32(error.code());
            library_ = std::move(library);
            entry_ = reinterpret_cast<Fn>(address);
        }
        fn = entry_;
        return kSuccess;
    }

private:
    const char *libraryName_;
    const char *entryName_;
    LibraryT library_;
    Fn entry_ = nullptr;
};

} // namespace tallowby
