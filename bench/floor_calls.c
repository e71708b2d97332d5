#define _POSIX_C_SOURCE 200809L

#include "bench/floor_calls.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

/* Large enough that a read costs little more than its copy, small enough
 * to stay in the caches. */
#define FLOOR_CHUNK (64 * 1024)

static ssize_t read_some(int fd, char *buffer, size_t size)
{
    ssize_t count;
    do
        count = read(fd, buffer, size);
    while (count < 0 && errno == EINTR);
    return count;
}

static int write_all(int fd, const char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t count = write(fd, bytes, size);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        bytes += count;
        size -= (size_t)count;
    }
    return 0;
}

int floor_read(const char *path, int line_fd)
{
    char buffer[FLOOR_CHUNK];
    ssize_t count;
    int first = 1, status = 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    while ((count = read_some(fd, buffer, sizeof buffer)) > 0) {
        if (first && line_fd >= 0) {
            const char *end = memchr(buffer, '\n', (size_t)count);
            const size_t length = end != NULL ? (size_t)(end - buffer) + 1 : (size_t)count;
            if (write_all(line_fd, buffer, length) != 0) {
                status = -1;
                break;
            }
        }
        first = 0;
    }
    if (count < 0)
        status = -1;
    close(fd);
    return status;
}

/* The copy beside PATH, opened for writing, its name in COPY; -1 when the
 * name does not fit. */
static int open_copy(const char *path, char copy[PATH_MAX])
{
    if (snprintf(copy, PATH_MAX, "%s.floor", path) >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return open(copy, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

static int flush_folder(const char *path)
{
    char folder[PATH_MAX];
    const char *slash = strrchr(path, '/');
    int fd, status;
    if (slash == NULL)
        strcpy(folder, ".");
    else if (slash == path)
        strcpy(folder, "/");
    else if (snprintf(folder, sizeof folder, "%.*s", (int)(slash - path), path) >= (int)sizeof folder) {
        errno = ENAMETOOLONG;
        return -1;
    }
    fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    status = fsync(fd);
    close(fd);
    return status;
}

/* Ends a replace whose copy FD holds the new bytes: they reach the disk
 * before the copy takes PATH's name, and the name before the call returns.
 * WRITTEN says whether writing them succeeded. */
static int finish(int fd, int written, const char *copy, const char *path)
{
    int ok = written && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(copy, path) != 0) {
        const int error = errno;
        unlink(copy);
        errno = error;
        return -1;
    }
    return flush_folder(path);
}

int floor_replace(const char *path, const void *bytes, size_t size)
{
    char copy[PATH_MAX];
    const int fd = open_copy(path, copy);
    if (fd < 0)
        return -1;
    return finish(fd, write_all(fd, bytes, size) == 0, copy, path);
}

int floor_copy(const char *path)
{
    char buffer[FLOOR_CHUNK], copy[PATH_MAX];
    ssize_t count = 0;
    int written = 1, fd;
    const int in = open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return -1;
    fd = open_copy(path, copy);
    if (fd < 0) {
        close(in);
        return -1;
    }
    while (written && (count = read_some(in, buffer, sizeof buffer)) > 0)
        written = write_all(fd, buffer, (size_t)count) == 0;
    written = written && count == 0;
    close(in);
    return finish(fd, written, copy, path);
}
