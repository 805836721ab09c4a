/* A stand-in for the ZIP library, in the kinds a user may have installed. Compiled once per
 * kind with:
 *   UNZIP_VERSION       what UnZipGetVersion answers (1: a library of the DMZIP kind)
 *   MIC_VERSION         what MicUnZipGetVersion answers; undefined: not exported
 *   NO_GET_VERSION      UnZipGetVersion not exported
 *   NO_UNZIP            UnZip not exported */
#include "outside/archive/Unzip32.h"

#include <string.h>

#define EXPORT __attribute__((visibility("default")))

#ifndef NO_GET_VERSION
EXPORT int UnZipGetVersion(void) {
    /* High bits set: only the low 16 bits count. */
    return (int)(0x7fff0000u | (unsigned)UNZIP_VERSION);
}
#endif

#ifdef MIC_VERSION
EXPORT int MicUnZipGetVersion(void) {
    return (int)(0x12340000u | (unsigned)MIC_VERSION);
}
#endif

EXPORT int UnZipGetRunning(void) {
    return 0;
}

#ifndef NO_UNZIP
/* Answers every command with its own text, so a test sees the call arrived. */
EXPORT int UnZip(void* owner, const char* command, char* out, uint32_t size) {
    (void)owner;
    if (size > 0) {
        strncpy(out, command, size - 1);
        out[size - 1] = '\0';
    }
    return 0;
}
#endif

EXPORT int UnZipCheckArchive(const char* path, int mode) {
    (void)path;
    (void)mode;
    return 1;
}
