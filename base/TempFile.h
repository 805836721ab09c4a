/* New files that get their name only when whole, and never take a name that is taken
 * unless the file there is the one the user agreed to replace. Shared by every writer of
 * the program (copy, move, extraction, the editor's save, the settings file), so that all
 * leave the same kind of temporary file behind when killed and any of them can clear it.
 *
 * A new file is made unnamed (O_TMPFILE) where the file system allows and linked to its
 * name at the end (a link never replaces). Elsewhere it gets a temporary name of one
 * scheme, ZELMO_TEMP_PREFIX and random letters, held with flock while it is written; a
 * later writer into the folder removes the temporaries whose lock it can take. */
#ifndef ZELMO_TEMP_FILE_H
#define ZELMO_TEMP_FILE_H

#include <stddef.h>
#include <sys/stat.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZELMO_TEMP_PREFIX ".zelmo32-tmp-"
/* A moved file's source set aside before it is removed, and the record of that move
 * (MoveRecord.h): put right by the next write into the folder, never simply cleared. */
#define ZELMO_ASIDE_PREFIX ".zelmo32-move-"

typedef struct ZelmoTempFile {
    int fd;        /* open for writing, locked while named */
    int dir;       /* the folder (the caller's descriptor) */
    int unnamed;   /* made with O_TMPFILE and not linked yet */
    char name[40]; /* the temporary name while it has one, else "" */
} ZelmoTempFile;

/* What identifies the file the user was asked about. */
typedef struct ZelmoFileId {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
    struct timespec ctime;
} ZelmoFileId;

void zelmo_file_id(const struct stat* st, ZelmoFileId* id);
/* 1 when st is that file: device, inode, size, modification and (when withCtime) change
 * time. */
int zelmo_file_id_matches(const ZelmoFileId* id, const struct stat* st, int withCtime);

/* A new file in dir, made with mode (the umask applies; at least 0600, so that its owner's
 * clean-up can open it). allowUnnamed: O_TMPFILE where it works. 0 or an errno value. */
int zelmo_temp_create(int dir, int allowUnnamed, mode_t mode, ZelmoTempFile* t);

/* Gives the file the name, never replacing one: 0, EEXIST when the name is taken (the file
 * stays ours to try again), or another errno value. Where the file system has no
 * no-replace rename the name is looked at and renamed to at once. */
int zelmo_temp_publish(ZelmoTempFile* t, const char* name);

/* Puts the file in the place of the file at name, which must still be the agreed one
 * (checked on what sits there before, and on what was swapped out, after the exchange).
 * 0 done (the old file removed), ESTALE another file stands there (nothing replaced, ours
 * kept), ENOENT nothing stands there, or another errno value. */
int zelmo_temp_exchange(ZelmoTempFile* t, const char* name, const ZelmoFileId* agreed);

/* Renames the file over name whatever stands there (the settings file's own replace). */
int zelmo_temp_replace(ZelmoTempFile* t, const char* name);

/* Closes the file; a temporary name left is removed (a failed or cancelled write). The
 * close's own error (a delayed write failure) is returned while the file was unnamed or
 * published, else 0. */
int zelmo_temp_close(ZelmoTempFile* t);

/* Renames without replacing: renameat2(RENAME_NOREPLACE), else (file systems without it)
 * a look and a rename. 0 or an errno value (EEXIST when to is taken). */
int zelmo_rename_noreplace(int fromDir, const char* from, int toDir, const char* to);

/* A random name with the prefix into out (cap bytes). */
void zelmo_random_name(const char* prefix, char* out, size_t cap);

/* Removes the program's stale temporaries in dir: ours by name and owner, and no writer
 * holds them; and puts right the moves cut short whose records lie there (MoveRecord.h).
 * Returns how many were removed or put right. */
int zelmo_remove_stale_temps(int dir);

/* Writes all bytes (a step for the test hook before each write). 0 or an errno value. */
int zelmo_write_all(int fd, const void* data, size_t size);

/* Test seam: called with a word naming each step that changes the disk ("create", "write",
 * "sync", "link", "rename", "exchange", "unlink") and each read a write depends on
 * ("read"); a test kills its driver there. The fault hook, when set, may make the step
 * fail: it returns 0 to go on or an errno value, which the step then reports as its system
 * call would have (every caller treats it as that call's failure). */
int zelmo_write_step(const char* step);
void zelmo_set_write_step_hook(void (*hook)(const char* step));
void zelmo_set_write_fault_hook(int (*fault)(const char* step));
/* Test seam: a temporary name even where O_TMPFILE works (the path of FAT, NFS ...). */
void zelmo_set_named_temporaries(int named);

/* An over-limit write (ulimit -f) fails with EFBIG instead of killing the process: an empty
 * handler for SIGXFSZ, which exec resets, so started programs keep the default. A
 * disposition someone else chose (SIG_IGN, a handler of theirs) is left alone.
 *  - zelmo_catch_file_size_signal: the program's start-up, for good (this code is never
 *    unloaded from the program).
 *  - zelmo_file_size_signal_enter/leave: around a library call that writes files, which
 *    cannot rely on the program having done so; leave puts back the disposition found by
 *    the first enter once the last call ends (nested and concurrent calls count). */
void zelmo_catch_file_size_signal(void);
void zelmo_file_size_signal_enter(void);
void zelmo_file_size_signal_leave(void);

#ifdef __cplusplus
}
#endif

#endif
