#pragma once

#include "platform/UniqueHandle.h"

#include <unistd.h>

namespace tallowby::platform {

struct FileDescriptorTraits : KeepsErrno {
    using Handle = int;
    static int Invalid() { return -1; }
    static void Close(int fd) { ::close(fd); }
};

// Owner of one file descriptor. Closing keeps errno, so that the cause of a
// failure survives the cleanup after it.
using UniqueFd = UniqueHandle<FileDescriptorTraits>;

} // namespace tallowby::platform
