#include "platform/linux/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

FileSystem systemFileSystem;
FileSystem *current = &systemFileSystem;

} // namespace

int FileSystem::Open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileSystem::Write(int fd, const void *data, size_t size) { return ::write(fd, data, size); }
int FileSystem::Sync(int fd) { return ::fsync(fd); }
int FileSystem::Rename(const char *from, const char *to) { return std::rename(from, to); }

FileSystem &FileSystem::Current() { return *current; }

FileSystem::Override::Override(FileSystem &replacement) : previous_(current) { current = &replacement; }
FileSystem::Override::~Override() { current = previous_; }

void UniqueFd::reset(int fd)
{
    if (fd_ >= 0) {
        const int saved = errno;
        ::close(fd_);
        errno = saved;
    }
    fd_ = fd;
}

int UniqueFd::close()
{
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 ? ::close(fd) : 0;
}

} // namespace tallowby::platform
