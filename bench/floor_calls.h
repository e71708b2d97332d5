/* The least the file system asks of any keeper of the settings file, as
 * plain C calls: the bare floor programs and the benchmark's in-process
 * floor both stand on them. Each returns 0, or -1 with errno set. */

#ifndef TALLOWBY_BENCH_FLOOR_CALLS_H
#define TALLOWBY_BENCH_FLOOR_CALLS_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the file at PATH through one buffer used again and again, as cat
 * does, keeping nothing. When LINE_FD is not negative, the file's first
 * line goes to it. */
int floor_read(const char *path, int line_fd);

/* Replaces the file at PATH with SIZE bytes from BYTES, durably: writes
 * them beside it, flushes them, renames them over it, flushes the folder. */
int floor_replace(const char *path, const void *bytes, size_t size);

/* The same with the file's own bytes, each chunk written to the copy as it
 * is read through one reused buffer. */
int floor_copy(const char *path);

#ifdef __cplusplus
}
#endif

#endif
