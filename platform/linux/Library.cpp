#include "platform/Library.h"

#include "platform/Win32Error.h"
#include "platform/linux/Kernel32.h"

#include <array>
#include <cstring>
#include <string_view>
#include <strings.h>
#include <type_traits>

namespace tallowby::platform {

static_assert(std::is_same_v<WritePrivateProfileStringAFn, decltype(&kernel32::WritePrivateProfileStringA)>);
static_assert(std::is_same_v<GetPrivateProfileStringAFn, decltype(&kernel32::GetPrivateProfileStringA)>);

namespace {

struct Entry {
    const char *name;
    void *address;
};

struct Module {
    const char *name;
    const Entry *entries;
    std::size_t count;
};

const std::array kKernel32Entries = {
    Entry{"WritePrivateProfileStringA", reinterpret_cast<void *>(&kernel32::WritePrivateProfileStringA)},
    Entry{"GetPrivateProfileStringA", reinterpret_cast<void *>(&kernel32::GetPrivateProfileStringA)},
};

const std::array kModules = {
    Module{"kernel32", kKernel32Entries.data(), kKernel32Entries.size()},
};

// LoadLibrary matches names regardless of case and supplies ".dll" when the
// name has no extension.
bool SameLibraryName(std::string_view wanted, const char *known)
{
    if (wanted.size() > 4 && strncasecmp(wanted.data() + wanted.size() - 4, ".dll", 4) == 0)
        wanted.remove_suffix(4);
    return wanted.size() == std::strlen(known) &&
           strncasecmp(wanted.data(), known, wanted.size()) == 0;
}

} // namespace

Error Library::Open(const char *name, Library &out)
{
    for (const Module &module : kModules) {
        if (name != nullptr && SameLibraryName(name, module.name)) {
            out.handle_.reset(const_cast<Module *>(&module));
            return {};
        }
    }
    return win32_error::ModNotFound;
}

Error Library::Find(const char *entry, void *&address) const
{
    const auto *module = static_cast<const Module *>(handle_.get());
    // GetProcAddress matches entry names exactly, case included.
    for (std::size_t i = 0; module != nullptr && entry != nullptr && i < module->count; ++i) {
        if (std::strcmp(module->entries[i].name, entry) == 0) {
            address = module->entries[i].address;
            return {};
        }
    }
    return win32_error::ProcNotFound;
}

// The stand-in libraries are part of the program and are never unloaded.
void Library::LibraryTraits::Close(Handle) {}

} // namespace tallowby::platform
