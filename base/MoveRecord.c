#define _GNU_SOURCE
#include "base/MoveRecord.h"
#include "base/TempFile.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>
#include <zlib.h>

enum { RECORD_MAX = 65536 };
static const char kMagic[] = "zelmo32 move record 1\n";

uint32_t zelmo_checksum(uint32_t sum, const void* data, size_t size) {
    const unsigned char* p = data;
    while (size > 0) {
        const uInt n = size > (1u << 30) ? (1u << 30) : (uInt)size;
        sum = (uint32_t)crc32(sum, p, n);
        p += n;
        size -= n;
    }
    return sum;
}

/* Names and paths as hexadecimal digits: any byte survives the record. */
static char* putHex(char* out, const char* text) {
    static const char digits[] = "0123456789abcdef";
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        *out++ = digits[*p >> 4];
        *out++ = digits[*p & 15];
    }
    return out;
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

/* Decodes the hexadecimal text up to the line's end into out (cap bytes, NUL-terminated).
 * 0 on success. */
static int getHex(const char* text, char* out, size_t cap) {
    size_t n = 0;
    while (*text && *text != '\n') {
        const int hi = hexValue(text[0]), lo = hexValue(text[1]);
        if (hi < 0 || lo < 0 || n + 1 >= cap)
            return -1;
        out[n++] = (char)(hi << 4 | lo);
        text += 2;
    }
    out[n] = '\0';
    return n > 0 ? 0 : -1;
}

static int writeRecordText(int fd, const ZelmoMoveFacts* f) {
    const size_t cap =
        512 + 2 * (strlen(f->sourceName) + strlen(f->destFolder) + strlen(f->destName));
    char* text = malloc(cap);
    if (!text)
        return ENOMEM;
    char* p = text;
    p += sprintf(p, "%s", kMagic);
    p += sprintf(p, "source=");
    p = putHex(p, f->sourceName);
    p += sprintf(p, "\nfile=%" PRIu64 ":%" PRIu64 ":%" PRId64 ":%" PRId64 ":%ld\n",
                 (uint64_t)f->source->st_dev, (uint64_t)f->source->st_ino,
                 (int64_t)f->source->st_size, (int64_t)f->source->st_mtim.tv_sec,
                 (long)f->source->st_mtim.tv_nsec);
    p += sprintf(p, "folder=");
    p = putHex(p, f->destFolder);
    p += sprintf(p, "\nname=");
    p = putHex(p, f->destName);
    if (f->replaced)
        p += sprintf(p, "\nreplaced=%" PRIu64 ":%" PRIu64 "\n", (uint64_t)f->replaced->st_dev,
                     (uint64_t)f->replaced->st_ino);
    else
        p += sprintf(p, "\nreplaced=-\n");
    if (f->copied)
        p += sprintf(p, "copy=%" PRIu64 ":%" PRIu32 "\n", f->copySize, f->copySum);
    else
        p += sprintf(p, "copy=-\n");
    int err = zelmo_write_all(fd, text, (size_t)(p - text));
    free(text);
    return err;
}

int zelmo_move_record_begin(int dir, const ZelmoMoveFacts* facts, ZelmoMoveRecord* r) {
    r->dir = dir;
    r->fd = -1;
    r->aside[0] = r->record[0] = '\0';
    for (int tries = 0; tries < 100; ++tries) {
        zelmo_random_name(ZELMO_ASIDE_PREFIX, r->aside, sizeof r->aside);
        snprintf(r->record, sizeof r->record, "%s%s", r->aside, ZELMO_RECORD_SUFFIX);
        struct stat st;
        if (fstatat(dir, r->aside, &st, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        ZelmoTempFile t;
        int err = zelmo_temp_create(dir, 1, 0600, &t);
        if (err)
            return err;
        /* Held while the move runs: a recovery leaves a record alone that someone holds. */
        while (flock(t.fd, LOCK_EX) != 0 && errno == EINTR)
            ;
        err = writeRecordText(t.fd, facts);
        if (!err)
            err = zelmo_write_step("sync");
        if (!err && fsync(t.fd) != 0)
            err = errno;
        if (!err)
            err = zelmo_temp_publish(&t, r->record);
        if (err) {
            zelmo_temp_close(&t);
            if (err == EEXIST)
                continue;
            r->aside[0] = r->record[0] = '\0';
            return err;
        }
        r->fd = t.fd; /* published: the descriptor (and its lock) are the record's now */
        fsync(dir);
        return 0;
    }
    r->aside[0] = r->record[0] = '\0';
    return EEXIST;
}

void zelmo_move_record_end(ZelmoMoveRecord* r, int keep) {
    if (r->fd < 0)
        return;
    if (!keep && zelmo_write_step("unlink") == 0 && unlinkat(r->dir, r->record, 0) == 0)
        fsync(r->dir);
    close(r->fd);
    r->fd = -1;
}

typedef struct Record {
    char source[4096];
    uint64_t dev, ino;
    int64_t size, mtimeSec;
    long mtimeNsec;
    char folder[4096];
    char name[4096];
    int hasReplaced;
    uint64_t replacedDev, replacedIno;
    int copied;
    uint64_t copySize;
    uint32_t copySum;
} Record;

static const char* field(const char* text, const char* key) {
    const char* at = strstr(text, key);
    return at ? at + strlen(key) : NULL;
}

static int parseRecord(const char* text, Record* rec) {
    memset(rec, 0, sizeof *rec);
    if (strncmp(text, kMagic, sizeof kMagic - 1) != 0)
        return -1;
    const char *source = field(text, "\nsource="), *file = field(text, "\nfile="),
               *folder = field(text, "\nfolder="), *name = field(text, "\nname="),
               *replaced = field(text, "\nreplaced="), *copy = field(text, "\ncopy=");
    if (!source || !file || !folder || !name || !replaced || !copy ||
        getHex(source, rec->source, sizeof rec->source) != 0 ||
        getHex(folder, rec->folder, sizeof rec->folder) != 0 ||
        getHex(name, rec->name, sizeof rec->name) != 0 ||
        sscanf(file, "%" SCNu64 ":%" SCNu64 ":%" SCNd64 ":%" SCNd64 ":%ld", &rec->dev, &rec->ino,
               &rec->size, &rec->mtimeSec, &rec->mtimeNsec) != 5)
        return -1;
    if (replaced[0] != '-') {
        if (sscanf(replaced, "%" SCNu64 ":%" SCNu64, &rec->replacedDev, &rec->replacedIno) != 2)
            return -1;
        rec->hasReplaced = 1;
    }
    if (copy[0] != '-') {
        if (sscanf(copy, "%" SCNu64 ":%" SCNu32, &rec->copySize, &rec->copySum) != 2)
            return -1;
        rec->copied = 1;
    }
    return 0;
}

/* The destination holds the whole copy: a file of the recorded size and checksum (for a
 * moved link: a link to the same target as the set-aside one). */
static int copyIsWhole(const Record* rec, int dir, const char* aside, const struct stat* st) {
    int folder = open(rec->folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return 0;
    int whole = 0;
    if (S_ISLNK(st->st_mode)) {
        char a[4096], b[4096];
        const ssize_t na = readlinkat(dir, aside, a, sizeof a);
        const ssize_t nb = readlinkat(folder, rec->name, b, sizeof b);
        whole = na >= 0 && na == nb && memcmp(a, b, (size_t)na) == 0;
        close(folder);
        return whole;
    }
    int fd = openat(folder, rec->name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    close(folder);
    struct stat there;
    if (fd < 0)
        return 0;
    if (fstat(fd, &there) == 0 && S_ISREG(there.st_mode) &&
        (uint64_t)there.st_size == rec->copySize) {
        unsigned char* buffer = malloc(1 << 20);
        uint32_t sum = 0;
        uint64_t total = 0;
        ssize_t n = 0;
        while (buffer && (n = read(fd, buffer, 1 << 20)) != 0) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            sum = zelmo_checksum(sum, buffer, (size_t)n);
            total += (uint64_t)n;
        }
        whole = buffer && n == 0 && total == rec->copySize && sum == rec->copySum;
        free(buffer);
    }
    close(fd);
    return whole;
}

int zelmo_recover_move(int dir, const char* name) {
    const size_t length = strlen(name), suffix = strlen(ZELMO_RECORD_SUFFIX);
    if (length <= suffix || length - suffix >= 64 ||
        strcmp(name + length - suffix, ZELMO_RECORD_SUFFIX) != 0)
        return 0;
    int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st, there;
    char* text = NULL;
    Record* rec = NULL;
    int done = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
        st.st_size >= RECORD_MAX || flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        fstatat(dir, name, &there, AT_SYMLINK_NOFOLLOW) != 0 || there.st_ino != st.st_ino ||
        there.st_dev != st.st_dev)
        goto out; /* not ours, or its move still runs */
    text = calloc(1, (size_t)st.st_size + 1);
    rec = malloc(sizeof *rec);
    if (!text || !rec || pread(fd, text, (size_t)st.st_size, 0) != st.st_size ||
        parseRecord(text, rec) != 0)
        goto out; /* unreadable now: tried again by the next write */
    char aside[64];
    memcpy(aside, name, length - suffix);
    aside[length - suffix] = '\0';
    struct stat a;
    int settled = 1; /* the record has done its work */
    if (fstatat(dir, aside, &a, AT_SYMLINK_NOFOLLOW) == 0) {
        if ((uint64_t)a.st_dev == rec->dev && (uint64_t)a.st_ino == rec->ino) {
            const int unchanged = S_ISLNK(a.st_mode) ||
                                  (a.st_size == rec->size && a.st_mtim.tv_sec == rec->mtimeSec &&
                                   a.st_mtim.tv_nsec == rec->mtimeNsec);
            if (rec->copied && unchanged && copyIsWhole(rec, dir, aside, &a)) {
                settled = zelmo_write_step("unlink") == 0 && unlinkat(dir, aside, 0) == 0;
            } else {
                /* Never over another file: where its name is taken it stays set aside. */
                settled = zelmo_rename_noreplace(dir, aside, dir, rec->source) == 0;
            }
        } else if (rec->hasReplaced && (uint64_t)a.st_dev == rec->replacedDev &&
                   (uint64_t)a.st_ino == rec->replacedIno) {
            settled = zelmo_write_step("unlink") == 0 && unlinkat(dir, aside, 0) == 0;
        }
        /* Anything else is no file this record knows: it stays, listed. */
    }
    if (settled && zelmo_write_step("unlink") == 0 && unlinkat(dir, name, 0) == 0)
        done = 1;
    fsync(dir);
out:
    free(text);
    free(rec);
    close(fd);
    return done;
}
