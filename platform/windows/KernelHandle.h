#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

namespace tallowby::platform {

// Owners of kernel32 handles: one closed by CloseHandle whose invalid value
// is null (mutexes, events), and one whose invalid value is
// INVALID_HANDLE_VALUE (what CreateFile returns).
struct KernelHandleTraits : KeepsLastError {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { ::CloseHandle(handle); }
};
struct FileHandleTraits : KernelHandleTraits {
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

} // namespace tallowby::platform
