/* The entry points of the LZH archive library, libunlha32.so. The program loads it at run
 * time and looks each name up; this header fixes the signatures both sides agree on.
 * Texts are NUL-terminated bytes: commands as described in CommandLine.h, paths as the file
 * system holds them, member names in UTF-8. */
#ifndef ZELMO_UNLHA32_H
#define ZELMO_UNLHA32_H

#include "outside/archive/ArchiveMemberInfo.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HARC; /* an open archive; NULL when the open failed */

/* The open mode the archive window passes. */
#define UNLHA_OPEN_MODE 0x1000

int UnlhaGetVersion(void); /* version x 100 */
int UnlhaGetSubVersion(void);
int UnlhaGetRunning(void);
int UnlhaGetBackGroundMode(void);
int UnlhaSetBackGroundMode(int mode);
int UnlhaGetCursorMode(void);
int UnlhaSetCursorMode(int mode);
uint16_t UnlhaGetCursorInterval(void);
int UnlhaSetCursorInterval(uint16_t interval);
/* Runs a command ("x"/"e" extraction into a folder); 0 when it succeeded, else an error
 * code; a short report goes into out (always NUL-terminated when size > 0). */
int Unlha(void* owner, const char* command, char* out, uint32_t size);
int UnlhaCheckArchive(const char* path, int mode);
int UnlhaConfigDialog(void* owner, char* buffer, int mode);
int UnlhaGetFileCount(const char* path);
HARC UnlhaOpenArchive(void* owner, const char* path, uint32_t mode);
int UnlhaCloseArchive(HARC archive);
/* 0 when the record holds the first (next) member matching the wildcard, -1 at the end,
 * another value on damage. */
int UnlhaFindFirst(HARC archive, const char* wildcard, ArchiveMemberInfo* info);
int UnlhaFindNext(HARC archive, ArchiveMemberInfo* info);
int UnlhaGetArcFileName(HARC archive, char* buffer, int size);
uint32_t UnlhaGetArcFileSize(HARC archive);
uint32_t UnlhaGetArcOriginalSize(HARC archive);
uint32_t UnlhaGetArcCompressedSize(HARC archive);
uint16_t UnlhaGetArcRatio(HARC archive);
uint16_t UnlhaGetArcDate(HARC archive);
uint16_t UnlhaGetArcTime(HARC archive);
unsigned UnlhaGetArcOSType(HARC archive);
/* The last member found by UnlhaFindFirst/UnlhaFindNext. */
int UnlhaGetFileName(HARC archive, char* buffer, int size);
int UnlhaGetMethod(HARC archive, char* buffer, int size);
uint32_t UnlhaGetOriginalSize(HARC archive);
uint32_t UnlhaGetCompressedSize(HARC archive);
uint16_t UnlhaGetRatio(HARC archive);
uint16_t UnlhaGetDate(HARC archive);
uint16_t UnlhaGetTime(HARC archive);
uint32_t UnlhaGetWriteTime(HARC archive);
uint32_t UnlhaGetAccessTime(HARC archive);
uint32_t UnlhaGetCreateTime(HARC archive);
uint32_t UnlhaGetCRC(HARC archive);
int UnlhaGetAttribute(HARC archive);
unsigned UnlhaGetOSType(HARC archive);
int UnlhaQueryFunctionList(int index);
int UnlhaSetOwnerWindow(void* owner);
int UnlhaClearOwnerWindow(void);
/* Extracts one member into buffer, never past size: command is the archive and the member,
 * each quoted. Returns 0 on success; written receives the byte count. */
int UnlhaExtractMem(void* owner, const char* command, unsigned char* buffer, uint32_t size,
                    int32_t* time, uint16_t* attributes, uint32_t* written);

#ifdef __cplusplus
}
#endif

#endif
