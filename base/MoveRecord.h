/* Moves that cannot leave the wrong file under a name. A move that sets its source aside
 * (under ZELMO_ASIDE_PREFIX and random letters, in the source's folder) first leaves a
 * record beside that name, written whole under a name of its own (the aside name and
 * ZELMO_RECORD_SUFFIX) and synced: the source's name, device, inode, size and modification
 * time, the destination's folder and name, the file the user agreed to replace, and for a
 * copy to another file system the copy's size and checksum. The mover holds the record
 * locked; a record nobody holds belongs to a move cut short, and the next write of ours
 * into that folder puts it right (zelmo_remove_stale_temps calls zelmo_recover_move):
 *  - a set-aside file that is the recorded source goes back under its name (never over
 *    another file), unless the destination holds the whole copy by the recorded size and
 *    checksum and the source is unchanged: then the move is finished and it is removed;
 *  - a set-aside file that is the file the user agreed to replace is removed;
 *  - anything else stays where it is, listed like every file. */
#ifndef ZELMO_MOVE_RECORD_H
#define ZELMO_MOVE_RECORD_H

#include <stddef.h>
#include <stdint.h>
#include <sys/stat.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZELMO_RECORD_SUFFIX ".record"

typedef struct ZelmoMoveFacts {
    const char* sourceName;    /* in the folder the record goes to */
    const struct stat* source; /* the file moved, as it was checked */
    const char* destFolder;    /* absolute */
    const char* destName;
    const struct stat* replaced; /* the file the user agreed to replace, or NULL */
    int copied;                  /* 1: the destination holds a copy (another file system) */
    uint64_t copySize;
    uint32_t copySum; /* zelmo_checksum over the copy's bytes */
} ZelmoMoveFacts;

typedef struct ZelmoMoveRecord {
    int dir; /* the source's folder (the caller's descriptor) */
    int fd;  /* the record, held locked while the move runs; -1 none */
    char aside[40];
    char record[48];
} ZelmoMoveRecord;

/* Writes the record into dir and chooses the free aside name (in r->aside). 0 or an errno
 * value (nothing left behind then). */
int zelmo_move_record_begin(int dir, const ZelmoMoveFacts* facts, ZelmoMoveRecord* r);
/* The move is over: the record is removed, or with keep left for the next write's
 * recovery (the move could not put things right itself). */
void zelmo_move_record_end(ZelmoMoveRecord* r, int keep);

/* Puts right the move cut short whose record is called name in dir, when nobody holds
 * it. 1 when something was done. */
int zelmo_recover_move(int dir, const char* name);

/* A running checksum (CRC-32) over bytes; start with 0. */
uint32_t zelmo_checksum(uint32_t sum, const void* data, size_t size);

#ifdef __cplusplus
}
#endif

#endif
