/* The entry points of the ZIP archive library, libunzip32.so, that the program looks up.
 * Its member walk is the program's own directory reader, not the library's. */
#ifndef ZELMO_UNZIP32_H
#define ZELMO_UNZIP32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Low 16 bits: the version x 100 (1 would mean a library of the other kind, which then
 * answers MicUnZipGetVersion). */
int UnZipGetVersion(void);
int MicUnZipGetVersion(void);
int UnZipGetRunning(void);
/* Runs a command: "-x" extraction into a folder, "-p" a member's bytes into out (never
 * past size, NUL-terminated). 0 when it succeeded, else an error code. */
int UnZip(void* owner, const char* command, char* out, uint32_t size);
int UnZipCheckArchive(const char* path, int mode);

#ifdef __cplusplus
}
#endif

#endif
