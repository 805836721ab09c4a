/* scan_floor FOLDER [SUFFIX]: the plain walk on its own, with its time. */
#include "scan_floor.h"

#include <stdio.h>
#include <time.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: scan_floor FOLDER [SUFFIX]\n");
        return 2;
    }
    struct timespec a, b;
    struct scan_floor_result r;
    clock_gettime(CLOCK_MONOTONIC, &a);
    if (scan_floor(argv[1], argc > 2 ? argv[2] : ".txt", &r) != 0) {
        perror(argv[1]);
        return 1;
    }
    clock_gettime(CLOCK_MONOTONIC, &b);
    printf("%ld files, %lld bytes, %ld folders, %.1f ms\n", r.files, (long long)r.bytes, r.folders,
           (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6);
    return 0;
}
