/* libFuzzer target: the LZH library's member walk on any bytes, through its entry points.
 * Every record must hold a terminated name, the walk must end, and the answers about the
 * archive and the last member must come without reading outside the file. */
#define _GNU_SOURCE
#include "outside/archive/Unlha32.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

/* The bytes as a file of their own: the library reads archives by path. */
int unlha_fuzz_file(const uint8_t* data, size_t size, char* path, size_t cap) {
    const int fd = memfd_create("lzh", MFD_CLOEXEC);
    if (fd < 0)
        abort();
    if (size && write(fd, data, size) != (ssize_t)size)
        abort();
    snprintf(path, cap, "/proc/self/fd/%d", fd);
    return fd;
}

#ifndef UNLHA_FUZZ_NO_ENTRY
int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char path[64];
    const int fd = unlha_fuzz_file(data, size, path, sizeof path);
    HARC h = UnlhaOpenArchive(NULL, path, UNLHA_OPEN_MODE);
    if (h) {
        ArchiveMemberInfo info;
        size_t members = 0;
        char text[600];
        for (int rc = UnlhaFindFirst(h, "*.*", &info); rc == 0; rc = UnlhaFindNext(h, &info)) {
            if (memchr(info.fileName, 0, sizeof info.fileName) == NULL ||
                memchr(info.method, 0, sizeof info.method) == NULL || ++members > size / 22 + 1)
                abort();
            UnlhaGetFileName(h, text, sizeof text);
            UnlhaGetMethod(h, text, 4);
            (void)UnlhaGetWriteTime(h);
            (void)UnlhaGetAttribute(h);
        }
        (void)UnlhaGetArcOriginalSize(h);
        (void)UnlhaGetArcRatio(h);
        UnlhaCloseArchive(h);
    }
    (void)UnlhaGetFileCount(path);
    close(fd);
    return 0;
}
#endif
