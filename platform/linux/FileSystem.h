#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <utility>

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

// Owner of one file descriptor. Closing keeps errno, so that the cause of a
// failure survives the cleanup after it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1);
    // Gives up ownership without closing, for a close whose result counts.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

} // namespace tallowby::platform
