#include "platform/linux/FileSystem.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tallowby::platform {

namespace {

FileSystem systemFileSystem;
FileSystem *current = &systemFileSystem;

} // namespace

int FileSystem::Stat(const char *path, struct stat *info) { return ::stat(path, info); }
int FileSystem::Access(const char *path, int mode) { return ::access(path, mode); }
int FileSystem::Open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileSystem::ChangeMode(int fd, mode_t mode) { return ::fchmod(fd, mode); }
ssize_t FileSystem::Write(int fd, const void *data, size_t size) { return ::write(fd, data, size); }
int FileSystem::Sync(int fd) { return ::fsync(fd); }
int FileSystem::Close(int fd) { return ::close(fd); }
int FileSystem::Rename(const char *from, const char *to) { return std::rename(from, to); }

FileSystem &FileSystem::Current() { return *current; }

FileSystem::Override::Override(FileSystem &replacement) : previous_(current) { current = &replacement; }
FileSystem::Override::~Override() { current = previous_; }

} // namespace tallowby::platform
