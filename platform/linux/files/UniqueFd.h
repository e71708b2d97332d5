#pragma once

#include "platform/UniqueHandle.h"

namespace tallowby::platform {

struct FileDescriptorTraits : KeepsErrno {
    using Handle = int;
    static int Invalid() { return -1; }
    // Through the file layer's seam (FileSystem.h).
    static void Close(int fd);
};

// Owner of one file descriptor. Closing keeps errno, so that the cause of a
// failure survives the cleanup after it.
using UniqueFd = UniqueHandle<FileDescriptorTraits>;

} // namespace tallowby::platform
