/* A stand-in for the LZH library exporting only a few of its entries: the program's table
 * keeps its stubs for all the others. */
#include "outside/archive/Unlha32.h"

#define EXPORT __attribute__((visibility("default")))

EXPORT int UnlhaGetVersion(void) {
    return 255;
}

EXPORT int Unlha(void* owner, const char* command, char* out, uint32_t size) {
    (void)owner;
    (void)command;
    if (size > 0)
        out[0] = '\0';
    return 7;
}

EXPORT int UnlhaCloseArchive(HARC archive) {
    return archive ? 3 : 4;
}
