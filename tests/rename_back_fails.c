/* rename_back_fails.c - a library loaded into the program (LD_PRELOAD) by a fault test: every
 * rename onto "Quorvantelmix.ini" fails as on a failing disk, every other rename goes through.
 * It shows what the program says when the user's settings file cannot be put back. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <string.h>

int rename(const char* from, const char* to) {
    if (strcmp(to, "Quorvantelmix.ini") == 0) {
        errno = EIO;
        return -1;
    }
    int (*real_rename)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    return real_rename(from, to);
}
