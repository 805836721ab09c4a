#define _GNU_SOURCE
#include "base/TempFile.h"
#include "base/MoveRecord.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

/* The write core's whole state. It lives once per process: this code is a shared object
 * that the program and the archive libraries all load, so a choice the program makes
 * reaches the extraction inside a library too. */
static struct {
    void (*stepHook)(const char*);
    int (*faultHook)(const char*);
    int namedOnly;
    pthread_mutex_t signalLock;
    int signalCaught;             /* the program's start-up installed the handler for good */
    int signalUsers;              /* library calls running with a handler of their own */
    int signalInstalled;          /* theirs is in place: put back signalSaved after the last */
    struct sigaction signalSaved; /* the disposition before the first of those calls */
} gWriteCore = {.signalLock = PTHREAD_MUTEX_INITIALIZER};

void zelmo_set_named_temporaries(int named) {
    gWriteCore.namedOnly = named;
}

void zelmo_set_write_step_hook(void (*hook)(const char* step)) {
    gWriteCore.stepHook = hook;
}

void zelmo_set_write_fault_hook(int (*fault)(const char* step)) {
    gWriteCore.faultHook = fault;
}

int zelmo_write_step(const char* step) {
    if (gWriteCore.stepHook)
        gWriteCore.stepHook(step);
    return gWriteCore.faultHook ? gWriteCore.faultHook(step) : 0;
}

static void emptyHandler(int signal) {
    (void)signal;
}

/* Installs the empty handler where the disposition is the default one (anything else was
 * someone's choice); 1 when it did, with the old disposition in old. */
static int installFileSizeHandler(struct sigaction* old) {
    if (sigaction(SIGXFSZ, NULL, old) != 0 || (old->sa_flags & SA_SIGINFO) ||
        old->sa_handler != SIG_DFL)
        return 0;
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = emptyHandler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return sigaction(SIGXFSZ, &sa, NULL) == 0;
}

void zelmo_catch_file_size_signal(void) {
    pthread_mutex_lock(&gWriteCore.signalLock);
    if (!gWriteCore.signalCaught) {
        gWriteCore.signalCaught = 1;
        if (gWriteCore.signalInstalled)
            gWriteCore.signalInstalled = 0; /* in place already: kept after the calls end */
        else {
            struct sigaction old;
            installFileSizeHandler(&old);
        }
    }
    pthread_mutex_unlock(&gWriteCore.signalLock);
}

void zelmo_file_size_signal_enter(void) {
    pthread_mutex_lock(&gWriteCore.signalLock);
    if (gWriteCore.signalUsers++ == 0 && !gWriteCore.signalCaught)
        gWriteCore.signalInstalled = installFileSizeHandler(&gWriteCore.signalSaved);
    pthread_mutex_unlock(&gWriteCore.signalLock);
}

void zelmo_file_size_signal_leave(void) {
    pthread_mutex_lock(&gWriteCore.signalLock);
    if (--gWriteCore.signalUsers == 0 && gWriteCore.signalInstalled) {
        sigaction(SIGXFSZ, &gWriteCore.signalSaved, NULL);
        gWriteCore.signalInstalled = 0;
    }
    pthread_mutex_unlock(&gWriteCore.signalLock);
}

void zelmo_file_id(const struct stat* st, ZelmoFileId* id) {
    id->dev = st->st_dev;
    id->ino = st->st_ino;
    id->size = st->st_size;
    id->mtime = st->st_mtim;
    id->ctime = st->st_ctim;
}

static int sameTime(struct timespec a, struct timespec b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

int zelmo_file_id_matches(const ZelmoFileId* id, const struct stat* st, int withCtime) {
    return id->dev == st->st_dev && id->ino == st->st_ino && id->size == st->st_size &&
           sameTime(id->mtime, st->st_mtim) && (!withCtime || sameTime(id->ctime, st->st_ctim));
}

static int sameInode(const struct stat* a, const struct stat* b) {
    return a->st_dev == b->st_dev && a->st_ino == b->st_ino;
}

void zelmo_random_name(const char* prefix, char* out, size_t cap) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char noise[12];
    if (getrandom(noise, sizeof noise, GRND_NONBLOCK) != (ssize_t)sizeof noise) {
        /* No entropy yet (early boot): time and address bits still differ per call. */
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        unsigned long seed = (unsigned long)now.tv_nsec ^ ((unsigned long)getpid() << 16) ^
                             (unsigned long)(size_t)&now;
        for (size_t i = 0; i < sizeof noise; ++i) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            noise[i] = (unsigned char)(seed >> 33);
        }
    }
    char tail[sizeof noise + 1];
    for (size_t i = 0; i < sizeof noise; ++i)
        tail[i] = letters[noise[i] % (sizeof letters - 1)];
    tail[sizeof noise] = '\0';
    snprintf(out, cap, "%s%s", prefix, tail);
}

int zelmo_write_all(int fd, const void* data, size_t size) {
    const char* p = data;
    while (size > 0) {
        int fault = zelmo_write_step("write");
        if (fault)
            return fault;
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        p += n;
        size -= (size_t)n;
    }
    return 0;
}

/* O_TMPFILE files are linked through /proc; without it they could never get a name. */
static int procAvailable(void) {
    return access("/proc/self/fd", X_OK) == 0;
}

static int linkUnnamed(int fd, int dir, const char* name) {
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int zelmo_temp_create(int dir, int allowUnnamed, mode_t mode, ZelmoTempFile* t) {
    mode |= 0600;
    t->fd = -1;
    t->dir = dir;
    t->unnamed = 0;
    t->name[0] = '\0';
    if (allowUnnamed && !gWriteCore.namedOnly && procAvailable()) {
        int fault = zelmo_write_step("create");
        if (fault)
            return fault;
        int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0) {
            t->fd = fd;
            t->unnamed = 1;
            return 0;
        }
        /* Not on this file system (EOPNOTSUPP, EISDIR on old kernels): a named one. */
    }
    for (int tries = 0; tries < 100; ++tries) {
        zelmo_random_name(ZELMO_TEMP_PREFIX, t->name, sizeof t->name);
        int fault = zelmo_write_step("create");
        if (fault) {
            t->name[0] = '\0';
            return fault;
        }
        int fd = openat(dir, t->name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            int err = errno;
            t->name[0] = '\0';
            return err;
        }
        /* Between the creation and the lock another writer's clean-up may have taken the
         * file for stale and removed it: only a file still linked under our name is ours.
         * Where flock does not work (some NFS) nobody's clean-up can take it either. */
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR)
            ;
        struct stat mine, there;
        if (fstat(fd, &mine) == 0 && mine.st_nlink > 0 &&
            fstatat(dir, t->name, &there, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(&mine, &there)) {
            t->fd = fd;
            return 0;
        }
        close(fd);
    }
    t->name[0] = '\0';
    return EEXIST;
}

/* The unnamed file gets a temporary name (before an exchange). */
static int giveName(ZelmoTempFile* t) {
    for (int tries = 0; tries < 100; ++tries) {
        zelmo_random_name(ZELMO_TEMP_PREFIX, t->name, sizeof t->name);
        int err = zelmo_write_step("link");
        if (!err)
            err = linkUnnamed(t->fd, t->dir, t->name);
        if (err == 0) {
            t->unnamed = 0;
            /* Locked as a named temporary is: the clean-up leaves it alone. */
            while (flock(t->fd, LOCK_EX) != 0 && errno == EINTR)
                ;
            return 0;
        }
        if (err != EEXIST) {
            t->name[0] = '\0';
            return err;
        }
    }
    t->name[0] = '\0';
    return EEXIST;
}

int zelmo_rename_noreplace(int fromDir, const char* from, int toDir, const char* to) {
    int fault = zelmo_write_step("rename");
    if (fault)
        return fault;
    if (renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0)
        return 0;
    int err = errno;
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return err;
    /* FAT, exFAT, NTFS-3G, some FUSE and NFS mounts: look, then rename at once. */
    struct stat st;
    if (fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

int zelmo_temp_publish(ZelmoTempFile* t, const char* name) {
    if (t->unnamed) {
        int err = zelmo_write_step("link");
        if (!err)
            err = linkUnnamed(t->fd, t->dir, name);
        if (err == 0)
            t->unnamed = 0;
        return err;
    }
    int err = zelmo_rename_noreplace(t->dir, t->name, t->dir, name);
    if (err == 0)
        t->name[0] = '\0';
    return err;
}

int zelmo_temp_replace(ZelmoTempFile* t, const char* name) {
    if (t->unnamed) {
        int err = giveName(t);
        if (err)
            return err;
    }
    int fault = zelmo_write_step("rename");
    if (fault)
        return fault;
    if (renameat(t->dir, t->name, t->dir, name) != 0)
        return errno;
    t->name[0] = '\0';
    return 0;
}

int zelmo_temp_exchange(ZelmoTempFile* t, const char* name, const ZelmoFileId* agreed) {
    /* What stands there now, pinned. Locked (where it can be opened) while it sits under
     * our temporary name after the exchange, so no clean-up takes it for a temporary. */
    int old = openat(t->dir, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (old < 0)
        return errno;
    struct stat before;
    if (fstat(old, &before) != 0 || !zelmo_file_id_matches(agreed, &before, 1)) {
        close(old);
        return ESTALE;
    }
    if (S_ISREG(before.st_mode)) {
        int readable = openat(t->dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        if (readable >= 0 && fstat(readable, &st) == 0 && sameInode(&st, &before)) {
            close(old);
            old = readable;
            flock(old, LOCK_EX | LOCK_NB);
        } else if (readable >= 0) {
            close(readable);
        }
    }
    int err = t->unnamed ? giveName(t) : 0;
    if (err) {
        close(old);
        return err;
    }
    err = zelmo_write_step("exchange");
    if (err) {
        close(old);
        return err;
    }
    if (renameat2(t->dir, t->name, t->dir, name, RENAME_EXCHANGE) != 0) {
        err = errno;
        if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
            /* No exchange on this file system: look, then rename over at once. */
            struct stat now;
            if (fstatat(t->dir, name, &now, AT_SYMLINK_NOFOLLOW) != 0)
                err = errno;
            else if (!sameInode(&now, &before) || !zelmo_file_id_matches(agreed, &now, 0))
                err = ESTALE;
            else
                err = zelmo_temp_replace(t, name);
        }
        close(old);
        return err;
    }
    /* What was at name is at the temporary name now: the agreed file, unchanged? (Its
     * change time moved with the exchange; it was checked on the pinned file before.) */
    struct stat out;
    if (fstatat(t->dir, t->name, &out, AT_SYMLINK_NOFOLLOW) != 0 || !sameInode(&out, &before) ||
        !zelmo_file_id_matches(agreed, &out, 0)) {
        err = zelmo_write_step("exchange");
        if (!err)
            err = renameat2(t->dir, t->name, t->dir, name, RENAME_EXCHANGE) == 0 ? ESTALE : errno;
        close(old);
        return err;
    }
    /* Done. The old file, now under our temporary name, goes; where that fails the name is
     * kept, so closing tries again. */
    if (zelmo_write_step("unlink") == 0 && unlinkat(t->dir, t->name, 0) == 0)
        t->name[0] = '\0';
    close(old);
    return 0;
}

int zelmo_temp_close(ZelmoTempFile* t) {
    int err = 0;
    if (t->name[0]) {
        if (zelmo_write_step("unlink") == 0)
            unlinkat(t->dir, t->name, 0);
        t->name[0] = '\0';
        if (t->fd >= 0)
            close(t->fd);
    } else if (t->fd >= 0 && close(t->fd) != 0) {
        err = errno;
    }
    t->fd = -1;
    t->unnamed = 0;
    return err;
}

int zelmo_remove_stale_temps(int dir) {
    int scan = openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (scan < 0)
        return 0;
    DIR* d = fdopendir(scan);
    if (!d) {
        close(scan);
        return 0;
    }
    const size_t prefixLength = strlen(ZELMO_TEMP_PREFIX);
    const size_t asideLength = strlen(ZELMO_ASIDE_PREFIX);
    int removed = 0;
    struct dirent* e;
    while ((e = readdir(d)) != NULL) {
        if (strncmp(e->d_name, ZELMO_ASIDE_PREFIX, asideLength) == 0) {
            removed += zelmo_recover_move(dir, e->d_name);
            continue;
        }
        if (strncmp(e->d_name, ZELMO_TEMP_PREFIX, prefixLength) != 0)
            continue;
        int fd = openat(dir, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st, there;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dir, e->d_name, &there, AT_SYMLINK_NOFOLLOW) == 0 && sameInode(&st, &there)) {
            if (zelmo_write_step("unlink") == 0 && unlinkat(dir, e->d_name, 0) == 0)
                ++removed;
        }
        close(fd);
    }
    closedir(d);
    return removed;
}
