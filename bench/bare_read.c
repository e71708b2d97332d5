/* The floors of the command-line tool, as bare C programs with nothing else
 * linked in: a get opens a file, reads it and prints it; a set reads it and
 * replaces it durably (writes the copy beside it, flushes it, renames it
 * over the file, flushes the folder).
 * usage: bare_read FILE
 *        bare_read --replace FILE */

#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char *read_whole(const char *path, size_t *size)
{
    struct stat info;
    char *bytes;
    ssize_t count;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &info) != 0 || (bytes = malloc((size_t)info.st_size + 1)) == NULL)
        return NULL;
    *size = 0;
    while ((count = read(fd, bytes + *size, (size_t)info.st_size + 1 - *size)) > 0)
        *size += (size_t)count;
    close(fd);
    return bytes;
}

static int replace(const char *path, const char *bytes, size_t size)
{
    char copy[4096], folder[4096];
    char *slash;
    int fd, ok;
    snprintf(copy, sizeof copy, "%s.new", path);
    snprintf(folder, sizeof folder, "%s", path);
    slash = strrchr(folder, '/');
    if (slash == NULL)
        strcpy(folder, ".");
    else
        *slash = '\0';
    fd = open(copy, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return 1;
    ok = write(fd, bytes, size) == (ssize_t)size && fsync(fd) == 0;
    ok = close(fd) == 0 && ok && rename(copy, path) == 0;
    fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ok = ok && fd >= 0 && fsync(fd) == 0;
    if (fd >= 0)
        close(fd);
    return ok ? 0 : 1;
}

int main(int argc, char **argv)
{
    const int replacing = argc == 3 && strcmp(argv[1], "--replace") == 0;
    size_t size = 0;
    char *bytes;
    int status;
    if (argc != 2 && !replacing)
        return 2;
    bytes = read_whole(argv[argc - 1], &size);
    if (bytes == NULL)
        return 1;
    status = replacing ? replace(argv[2], bytes, size) : fwrite(bytes, 1, size, stdout) != size;
    free(bytes);
    return status;
}
