/* A plain C loop over a folder tree: what the recursive scan would cost if it did nothing
 * but read the folders and stat the matching files. The benchmark runs it beside
 * ScanSubtree on the same tree and reports the ratio. */
#define _GNU_SOURCE
#include "scan_floor.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

struct dirent64_raw {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

static int ends_with_folded(const char* name, size_t len, const char* suffix, size_t slen) {
    if (len < slen)
        return 0;
    name += len - slen;
    for (size_t i = 0; i < slen; ++i) {
        unsigned char a = (unsigned char)name[i], b = (unsigned char)suffix[i];
        if (a >= 'a' && a <= 'z')
            a -= 32;
        if (b >= 'a' && b <= 'z')
            b -= 32;
        if (a != b)
            return 0;
    }
    return 1;
}

static void walk(int fd, const char* suffix, size_t slen, struct scan_floor_result* r) {
    static char buf[32768];
    char* subdirs = NULL; /* names of the subfolders, each NUL-terminated */
    size_t used = 0, cap = 0;
    ++r->folders;
    for (;;) {
        long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0)
            break;
        for (long off = 0; off < n;) {
            struct dirent64_raw* d = (struct dirent64_raw*)(buf + off);
            off += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            const size_t len = strlen(name);
            int isDir = d->d_type == DT_DIR;
            if (!isDir) {
                const int match = ends_with_folded(name, len, suffix, slen);
                if (!match && d->d_type != DT_UNKNOWN)
                    continue;
                struct stat st;
                if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                if (S_ISLNK(st.st_mode)) {
                    struct stat target;
                    if (fstatat(fd, name, &target, 0) != 0)
                        target = st; /* a dangling link counts as itself */
                    else if (S_ISDIR(target.st_mode))
                        continue; /* listed by the scan, never entered */
                    if (match) {
                        ++r->files;
                        r->bytes += target.st_size;
                        r->mtimes += target.st_mtim.tv_sec;
                    }
                    continue;
                }
                if (S_ISDIR(st.st_mode)) {
                    isDir = 1;
                } else {
                    if (match) {
                        ++r->files;
                        r->bytes += st.st_size;
                        r->mtimes += st.st_mtim.tv_sec;
                    }
                    continue;
                }
            }
            if (name[0] == '.')
                continue;
            if (used + len + 1 > cap) {
                cap = cap ? cap * 2 : 4096;
                while (cap < used + len + 1)
                    cap *= 2;
                subdirs = realloc(subdirs, cap);
            }
            memcpy(subdirs + used, name, len + 1);
            used += len + 1;
        }
    }
    for (size_t at = 0; at < used; at += strlen(subdirs + at) + 1) {
        const int sub = openat(fd, subdirs + at, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        if (sub < 0)
            continue;
        walk(sub, suffix, slen, r);
        close(sub);
    }
    free(subdirs);
}

int scan_floor(const char* root, const char* suffix, struct scan_floor_result* result) {
    memset(result, 0, sizeof *result);
    const int fd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    walk(fd, suffix, strlen(suffix), result);
    close(fd);
    return 0;
}
