/* The floor under a large copy: the system calls the program's direct way makes, in one
 * plain loop on one thread (an unnamed new file written by O_DIRECT from the mapped source
 * in 16 MiB chunks, the tail written plainly, fsync, then linked under its name). */
#define _GNU_SOURCE
#include "copy_floor.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif

int copy_floor(const char* source, const char* folder, const char* name) {
    const size_t chunk = (size_t)16 << 20;
    int in = open(source, O_RDONLY | O_CLOEXEC);
    int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int out = dir < 0 ? -1 : openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    struct stat st;
    int ok = in >= 0 && out >= 0 && fstat(in, &st) == 0 &&
             fcntl(out, F_SETFL, fcntl(out, F_GETFL) | O_DIRECT) == 0;
    off_t at = 0;
    const off_t whole = st.st_size / 4096 * 4096;
    while (ok && at < whole) {
        const size_t n = (size_t)(whole - at) < chunk ? (size_t)(whole - at) : chunk;
        void* map = mmap(NULL, n, PROT_READ, MAP_SHARED, in, at);
        ok = map != MAP_FAILED;
        if (ok) {
            madvise(map, n, MADV_POPULATE_READ);
            ok = pwrite(out, map, n, at) == (ssize_t)n;
            munmap(map, n);
        }
        at += (off_t)n;
    }
    if (ok && at < st.st_size) {
        char tail[4096];
        const ssize_t n = pread(in, tail, sizeof tail, at);
        ok = n > 0 && fcntl(out, F_SETFL, fcntl(out, F_GETFL) & ~O_DIRECT) == 0 &&
             pwrite(out, tail, (size_t)n, at) == n;
    }
    ok = ok && fsync(out) == 0;
    if (ok) {
        char self[64];
        snprintf(self, sizeof self, "/proc/self/fd/%d", out);
        ok = linkat(AT_FDCWD, self, dir, name, AT_SYMLINK_FOLLOW) == 0 && fsync(dir) == 0;
    }
    if (in >= 0)
        close(in);
    if (out >= 0)
        close(out);
    if (dir >= 0)
        close(dir);
    return ok ? 0 : -1;
}
