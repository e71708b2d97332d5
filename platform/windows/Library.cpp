#include "platform/Kernel32Api.h"
#include "platform/Library.h"

#include <windows.h>

#include <type_traits>

namespace tallowby::platform {

static_assert(std::is_same_v<WritePrivateProfileStringAFn, decltype(&::WritePrivateProfileStringA)>);
static_assert(std::is_same_v<GetPrivateProfileStringAFn, decltype(&::GetPrivateProfileStringA)>);

Error Library::Open(const char *name, Library &out)
{
    HMODULE module = ::LoadLibraryA(name);
    if (module == nullptr)
        return ::GetLastError();
    out.handle_.reset(reinterpret_cast<void *>(module));
    return {};
}

Error Library::Find(const char *entry, void *&address) const
{
    FARPROC proc = ::GetProcAddress(static_cast<HMODULE>(handle_.get()), entry);
    if (proc == nullptr)
        return ::GetLastError();
    address = reinterpret_cast<void *>(proc);
    return {};
}

void Library::LibraryTraits::Close(Handle handle) { ::FreeLibrary(static_cast<HMODULE>(handle)); }

} // namespace tallowby::platform
