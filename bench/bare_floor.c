/* The floors of the command-line tool, as a bare C program with nothing
 * else linked in: a get reads the file through one reused buffer and prints
 * one line; a set copies the file the same way into a new one beside it
 * and puts that in its place durably (bench/floor_calls.h).
 * usage: bare_floor FILE
 *        bare_floor --replace FILE */

#include "bench/floor_calls.h"

#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc == 2)
        return floor_read(argv[1], STDOUT_FILENO) == 0 ? 0 : 1;
    if (argc == 3 && strcmp(argv[1], "--replace") == 0)
        return floor_copy(argv[2]) == 0 ? 0 : 1;
    return 2;
}
