/* The member walk over an LZH file: header after header, read through a small window of
 * the file, never outside it; and the member record made from a header. */
#ifndef ZELMO_LHA_WALK_H
#define ZELMO_LHA_WALK_H

#include "outside/archive/ArchiveMemberInfo.h"
#include "outside/archive/MemberName.h"
#include "outside/unlha32/LhaHeader.h"

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
    unsigned damaged;   /* damaged headers passed over since the first member */
    uint64_t damagedAt; /* where the last of them began */
} LhaWalk;

enum { LHA_WALK_MEMBER = 1, LHA_WALK_END = 0, LHA_WALK_DAMAGED = -1 };

/* Opens path and finds its first header: 0, or -1 when it is no LZH archive (the walk
 * is then closed). */
int lha_walk_open(LhaWalk* w, const char* path);
void lha_walk_close(LhaWalk* w);
/* Back to the first member. */
void lha_walk_rewind(LhaWalk* w);
/* The next header: LHA_WALK_MEMBER with *h filled, LHA_WALK_END or LHA_WALK_DAMAGED
 * (after which the walk stays at the damage). A damaged header with a whole one after it
 * is passed over (counted in damaged) and the next member given. */
int lha_walk_next(LhaWalk* w, LhaHeader* h);
/* The next header read from offset on. */
void lha_walk_seek(LhaWalk* w, uint64_t offset);

/* The member's name in UTF-8, its folder part joined with "/": 0, or -1 when it does not
 * fit in cap bytes with its NUL. */
int lha_walk_name(const LhaHeader* h, char* out, size_t cap);
/* The member record: 0, or -1 when the name does not fit. */
int lha_walk_record(LhaWalk* w, const LhaHeader* h, ArchiveMemberInfo* info);

/* Every member of the LZH archive at path (at most max), names as the walk gives them:
 * 0, or -1 when it is no LZH archive. Damaged headers are passed over. */
int lha_list_members(const char* path, ZelmoMemberList* list, size_t max);

/* ZELMO_MEMBER_FILE, _FOLDER or _OTHER (links, devices) by the header's method and mode. */
int lha_member_kind(const LhaHeader* h);
/* The member's time, seconds since 1970: its Unix time when it has one, else its DOS
 * stamp in the local zone; a stamp without a month or day counts as 1980-01-01 00:00. */
int64_t lha_member_time(const LhaHeader* h);
/* The member's size as extracted: a MacBinary wrapper's data fork, else the stored size. */
uint64_t lha_member_size(LhaWalk* w, const LhaHeader* h);

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
