#pragma once

#include <sys/types.h>

#include <utility>

namespace tallowby::platform {

// The system calls of the settings file's write path, behind one seam so
// that tests can make each step fail in turn. Each returns what the system
// call returns and leaves errno as it does.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual int Open(const char *path, int flags, mode_t mode);
    virtual ssize_t Write(int fd, const void *data, size_t size);
    virtual int Sync(int fd);
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
    // Closes now and reports the result, for descriptors whose close can
    // tell of a failed write.
    int close();

private:
    int fd_ = -1;
};

} // namespace tallowby::platform
