/* Loaded into a program with LD_PRELOAD, it makes the program unable to start processes, as
 * on a machine at its process limit: every fork() fails with EAGAIN. */
#include <errno.h>
#include <unistd.h>

pid_t fork(void) {
    errno = EAGAIN;
    return -1;
}
