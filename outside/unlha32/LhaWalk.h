/* The member walk over an LZH file: header after header, read through a small window of
 * the file, never outside it; and the member record made from a header. */
#ifndef ZELMO_LHA_WALK_H
#define ZELMO_LHA_WALK_H

#include "outside/archive/ArchiveMemberInfo.h"
#include "outside/archive/MemberName.h"
#include "outside/unlha32/LhaHeader.h"

#include <iconv.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct LhaWalk {
    int fd;
    uint64_t size;      /* the file's size when opened */
    int64_t mtime;      /* the file's modification time */
    uint64_t first;     /* offset of the first header (past a program in front) */
    uint64_t next;      /* offset of the next header */
    unsigned char* buf; /* a window of the file: bufLen bytes from bufStart */
    size_t bufCap, bufLen;
    uint64_t bufStart;
    iconv_t cp932; /* narrow names; wide (UTF-16) names are decoded by hand */
} LhaWalk;

enum { LHA_WALK_MEMBER = 1, LHA_WALK_END = 0, LHA_WALK_DAMAGED = -1 };

/* Opens path and finds its first header: 0, or -1 when it is no LZH archive (the walk
 * is then closed). */
int lha_walk_open(LhaWalk* w, const char* path);
void lha_walk_close(LhaWalk* w);
/* Back to the first member. */
void lha_walk_rewind(LhaWalk* w);
/* The next header: LHA_WALK_MEMBER with *h filled, LHA_WALK_END or LHA_WALK_DAMAGED
 * (after which the walk stays at the damage). */
int lha_walk_next(LhaWalk* w, LhaHeader* h);

/* The member's name in UTF-8, its folder part joined with "/": 0, or -1 when it does not
 * fit in cap bytes with its NUL. */
int lha_walk_name(LhaWalk* w, const LhaHeader* h, char* out, size_t cap);
/* The member record: 0, or -1 when the name does not fit. */
int lha_walk_record(LhaWalk* w, const LhaHeader* h, ArchiveMemberInfo* info);

/* Every member of the LZH archive at path (at most max), names as the walk gives them:
 * 0, or -1 when it is no LZH archive. A damaged header ends the list there. */
int lha_list_members(const char* path, ZelmoMemberList* list, size_t max);

/* MS-DOS date and time of a time in the local zone (clamped to 1980..2107). */
void lha_dos_time(int64_t t, uint16_t* date, uint16_t* time);
/* Seconds since 1970 of an MS-DOS date and time taken as local time. */
int64_t lha_from_dos_time(uint16_t date, uint16_t time);
/* The attribute text "RHSDA" with "-" for each bit not set. */
void lha_attribute_text(unsigned attributes, char out[8]);
/* The member's MS-DOS attribute bits. */
unsigned lha_attributes(const LhaHeader* h);

#ifdef __cplusplus
}
#endif

#endif
