/* The members of an LZH archive for extraction: our own walk gives each header and name,
 * lhasa's decoders the data (outside/unlha32/LhaData.h). Between the parts of the shared
 * extraction code, not for the libraries. */
#ifndef ZELMO_LZH_MEMBERS_H
#define ZELMO_LZH_MEMBERS_H

#include "outside/unlha32/LhaData.h"
#include "outside/unlha32/LhaWalk.h"

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

struct archive_entry;

typedef struct ZelmoLzhMembers {
    LhaWalk walk;
    LhaHeader header;
    LhaData* data;               /* the current file member's data, NULL for others */
    struct archive_entry* entry; /* its type, permissions, time and size */
    int kind;                    /* ZELMO_MEMBER_FILE, _FOLDER or _OTHER */
    const char* why;             /* set when the member cannot be extracted */
    unsigned damagedSeen;
    char name[4 * LHA_RAW_NAME_MAX];
    char whyText[64];
} ZelmoLzhMembers;

/* 0, or -1 when the file is no LZH archive. */
int zelmo_lzh_open(ZelmoLzhMembers* m, const char* path);
void zelmo_lzh_close(ZelmoLzhMembers* m);
/* The next member: 1 with name, kind, entry and (for a file whose data can be read) data
 * set, or why saying why it cannot be extracted; 0 at the end; -1 when the rest of the
 * archive is damaged. *damaged receives the offset of a damaged header passed over on
 * the way (UINT64_MAX for none). */
int zelmo_lzh_next(ZelmoLzhMembers* m, uint64_t* damaged);
/* The first member whose header begins at offset, as zelmo_lzh_next gives it. */
int zelmo_lzh_at(ZelmoLzhMembers* m, uint64_t offset);
/* Reads the current member's data (a reader for the extraction's copy loop). */
ssize_t zelmo_lzh_read(void* members, void* buf, size_t n);

#endif
