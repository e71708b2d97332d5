#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace tallowby::platform {

// The system calls of replacing the settings file, behind one seam so that
// tests can make each step fail in turn. Each returns what the system call
// returns and leaves errno as it does.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual int Stat(const char *path, struct stat *info);
    virtual int Access(const char *path, int mode);
    virtual int Open(const char *path, int flags, mode_t mode);
    virtual int ChangeMode(int fd, mode_t mode);
    virtual ssize_t Write(int fd, const void *data, size_t size);
    virtual int Sync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const char *from, const char *to);

    // The file system the stand-in uses now: the system's own unless a
    // test has put another in place.
    static FileSystem &Current();

    // Puts `replacement` in place while the override lives.
    class Override {
    public:
        explicit Override(FileSystem &replacement);
        ~Override();
        Override(const Override &) = delete;
        Override &operator=(const Override &) = delete;

    private:
        FileSystem *previous_;
    };
};

} // namespace tallowby::platform
