/* The floor under the recursive scan: the same walk as TFileInfoList::ScanSubtree with
 * nothing but the system calls (openat, getdents64, fstatat) and a counter. */
#ifndef ZELMO_SCAN_FLOOR_H
#define ZELMO_SCAN_FLOOR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct scan_floor_result {
    long files;     /* matching files found */
    long folders;   /* folders opened */
    int64_t bytes;  /* their sizes added up */
    int64_t mtimes; /* their modification times added up, so the stat is used */
};

/* Walks root depth first, files of a folder before its subfolders, without entering
 * folders whose name starts with "." or symbolic links; a file counts when its name ends
 * in suffix (ASCII case ignored). Returns 0, or -1 when root cannot be opened. */
int scan_floor(const char* root, const char* suffix, struct scan_floor_result* result);

#ifdef __cplusplus
}
#endif

#endif
