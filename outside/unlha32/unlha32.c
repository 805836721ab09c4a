/* libunlha32.so: the archive handles, the member walk and the answers about an archive and
 * its last member found. The commands are in UnlhaCommands.c. */
#include "outside/unlha32/LhaWalk.h"
#include "outside/unlha32/UnlhaInternal.h"

#pragma GCC visibility push(default)
#include "outside/archive/Unlha32.h"
#pragma GCC visibility pop

#include <pthread.h>
#include <stdlib.h>
#include <string.h>

typedef struct UnlhaHandle {
    struct UnlhaHandle* nextOpen;
    LhaWalk walk;
    char* path;
    char* wildcard;
    int searching; /* a first member was asked for */
    int haveLast;
    LhaHeader last;
    ArchiveMemberInfo lastInfo;
    int haveTotals;
    uint64_t totalOriginal, totalCompressed;
    unsigned firstOs;
} UnlhaHandle;

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static UnlhaHandle* openHandles;
static int running, backgroundMode, cursorMode;
static uint16_t cursorInterval = 80;
static void* ownerWindow;

int unlha_begin_running(void) {
    pthread_mutex_lock(&lock);
    const int was = running;
    running = 1;
    pthread_mutex_unlock(&lock);
    return was ? -1 : 0;
}

void unlha_end_running(void) {
    pthread_mutex_lock(&lock);
    running = 0;
    pthread_mutex_unlock(&lock);
}

/* The open handle behind a value the caller gave, or NULL: a stale or made-up value is
 * never followed. Called with the lock held. */
static UnlhaHandle* lookup(HARC archive) {
    for (UnlhaHandle* h = openHandles; h; h = h->nextOpen)
        if (h == archive)
            return h;
    return NULL;
}

int UnlhaGetVersion(void) {
    return 100;
}
int UnlhaGetSubVersion(void) {
    return 0;
}
int UnlhaGetRunning(void) {
    pthread_mutex_lock(&lock);
    const int r = running;
    pthread_mutex_unlock(&lock);
    return r;
}

#define SIMPLE_STATE(Get, Set, type, var)                                                          \
    type Get(void) {                                                                               \
        pthread_mutex_lock(&lock);                                                                 \
        const type v = var;                                                                        \
        pthread_mutex_unlock(&lock);                                                               \
        return v;                                                                                  \
    }                                                                                              \
    int Set(type value) {                                                                          \
        pthread_mutex_lock(&lock);                                                                 \
        var = value;                                                                               \
        pthread_mutex_unlock(&lock);                                                               \
        return 1;                                                                                  \
    }
SIMPLE_STATE(UnlhaGetBackGroundMode, UnlhaSetBackGroundMode, int, backgroundMode)
SIMPLE_STATE(UnlhaGetCursorMode, UnlhaSetCursorMode, int, cursorMode)
SIMPLE_STATE(UnlhaGetCursorInterval, UnlhaSetCursorInterval, uint16_t, cursorInterval)

int UnlhaSetOwnerWindow(void* owner) {
    pthread_mutex_lock(&lock);
    ownerWindow = owner;
    pthread_mutex_unlock(&lock);
    return 1;
}

int UnlhaClearOwnerWindow(void) {
    pthread_mutex_lock(&lock);
    ownerWindow = NULL;
    pthread_mutex_unlock(&lock);
    return 1;
}

/* There is no settings dialog: the library has nothing to set. */
int UnlhaConfigDialog(void* owner, char* buffer, int mode) {
    (void)owner;
    (void)buffer;
    (void)mode;
    return UNLHA_ERR_NOT_SUPPORTED;
}

int UnlhaQueryFunctionList(int index) {
    /* The entries in the binding's order; only the settings dialog (11) is missing. */
    return index >= 0 && index < 42 && index != 11;
}

int UnlhaCheckArchive(const char* path, int mode) {
    (void)mode;
    if (!path)
        return 0;
    LhaWalk w;
    if (lha_walk_open(&w, path) != 0)
        return 0;
    LhaHeader h;
    int rc;
    while ((rc = lha_walk_next(&w, &h)) == LHA_WALK_MEMBER) {
    }
    const unsigned damaged = w.damaged;
    lha_walk_close(&w);
    return rc == LHA_WALK_END && damaged == 0;
}

int UnlhaGetFileCount(const char* path) {
    if (!path)
        return -1;
    LhaWalk w;
    if (lha_walk_open(&w, path) != 0)
        return -1;
    LhaHeader h;
    int count = 0, rc;
    while ((rc = lha_walk_next(&w, &h)) == LHA_WALK_MEMBER)
        ++count;
    const unsigned damaged = w.damaged;
    lha_walk_close(&w);
    return rc == LHA_WALK_END && damaged == 0 ? count : -1;
}

HARC UnlhaOpenArchive(void* owner, const char* path, uint32_t mode) {
    (void)owner;
    (void)mode;
    if (!path)
        return NULL;
    UnlhaHandle* h = calloc(1, sizeof *h);
    if (!h)
        return NULL;
    h->path = strdup(path);
    if (!h->path || lha_walk_open(&h->walk, path) != 0) {
        free(h->path);
        free(h);
        return NULL;
    }
    pthread_mutex_lock(&lock);
    h->nextOpen = openHandles;
    openHandles = h;
    pthread_mutex_unlock(&lock);
    return h;
}

int UnlhaCloseArchive(HARC archive) {
    pthread_mutex_lock(&lock);
    UnlhaHandle** link = &openHandles;
    while (*link && *link != archive)
        link = &(*link)->nextOpen;
    UnlhaHandle* h = *link;
    if (h)
        *link = h->nextOpen;
    pthread_mutex_unlock(&lock);
    if (!h)
        return UNLHA_ERR_HANDLE;
    lha_walk_close(&h->walk);
    free(h->path);
    free(h->wildcard);
    free(h);
    return 0;
}

/* The next member matching the handle's wildcard. Called with the lock held. */
static int findMatching(UnlhaHandle* h, ArchiveMemberInfo* info) {
    LhaHeader header;
    ArchiveMemberInfo record;
    for (;;) {
        const int rc = lha_walk_next(&h->walk, &header);
        if (rc == LHA_WALK_END)
            return -1;
        if (rc != LHA_WALK_MEMBER)
            return UNLHA_ERR_HEADER_BROKEN;
        if (lha_walk_record(&h->walk, &header, &record) != 0)
            continue; /* a name longer than the record: the members after it still list */
        if (!unlha_wildcard_match(h->wildcard, record.fileName))
            continue;
        h->last = header;
        h->lastInfo = record;
        h->haveLast = 1;
        if (info)
            memcpy(info, &record, sizeof record);
        return 0;
    }
}

int UnlhaFindFirst(HARC archive, const char* wildcard, ArchiveMemberInfo* info) {
    pthread_mutex_lock(&lock);
    UnlhaHandle* h = lookup(archive);
    int rc = UNLHA_ERR_HANDLE;
    if (h) {
        free(h->wildcard);
        h->wildcard = wildcard ? strdup(wildcard) : NULL;
        lha_walk_rewind(&h->walk);
        h->searching = 1;
        h->haveLast = 0;
        rc = (wildcard && !h->wildcard) ? UNLHA_ERR_NO_MEMORY : findMatching(h, info);
    }
    pthread_mutex_unlock(&lock);
    return rc;
}

int UnlhaFindNext(HARC archive, ArchiveMemberInfo* info) {
    pthread_mutex_lock(&lock);
    UnlhaHandle* h = lookup(archive);
    int rc = !h              ? UNLHA_ERR_HANDLE
             : !h->searching ? UNLHA_ERR_NOT_SEARCHING
                             : findMatching(h, info);
    pthread_mutex_unlock(&lock);
    return rc;
}

/* Copies text into buffer: 0, or an error when it does not fit (the buffer then holds as
 * much as fits, NUL-terminated). */
static int copyText(const char* text, char* buffer, int size) {
    if (!buffer || size <= 0)
        return UNLHA_ERR_BUFFER;
    const size_t len = strlen(text);
    if (len < (size_t)size) {
        memcpy(buffer, text, len + 1);
        return 0;
    }
    memcpy(buffer, text, (size_t)size - 1);
    buffer[size - 1] = '\0';
    return UNLHA_ERR_BUFFER;
}

/* The sums over the whole archive, walked once on a walk of its own. Lock held. */
static void ensureTotals(UnlhaHandle* h) {
    if (h->haveTotals)
        return;
    h->haveTotals = 1;
    LhaWalk w;
    if (lha_walk_open(&w, h->path) != 0)
        return;
    LhaHeader m;
    int first = 1;
    while (lha_walk_next(&w, &m) == LHA_WALK_MEMBER) {
        h->totalOriginal += m.original;
        h->totalCompressed += m.compressed;
        if (first)
            h->firstOs = m.os;
        first = 0;
    }
    lha_walk_close(&w);
}

/* ARCHIVE_GETTER(name, type, error value, expression over h): an answer about the archive. */
#define ARCHIVE_GETTER(Name, type, failed, expr)                                                   \
    type Name(HARC archive) {                                                                      \
        pthread_mutex_lock(&lock);                                                                 \
        UnlhaHandle* h = lookup(archive);                                                          \
        type v = failed;                                                                           \
        if (h) {                                                                                   \
            ensureTotals(h);                                                                       \
            v = (expr);                                                                            \
        }                                                                                          \
        pthread_mutex_unlock(&lock);                                                               \
        return v;                                                                                  \
    }

static uint32_t clamp32(uint64_t v) {
    return v > UINT32_MAX ? UINT32_MAX : (uint32_t)v;
}
static uint16_t ratioOf(uint64_t compressed, uint64_t original) {
    if (original == 0)
        return 0;
    const uint64_t r = compressed >= UINT64_MAX / 1000 ? UINT16_MAX : compressed * 1000 / original;
    return r > UINT16_MAX ? UINT16_MAX : (uint16_t)r;
}
static uint16_t arcDate(const UnlhaHandle* h) {
    uint16_t d, t;
    lha_dos_time(h->walk.mtime, &d, &t);
    return d;
}
static uint16_t arcTime(const UnlhaHandle* h) {
    uint16_t d, t;
    lha_dos_time(h->walk.mtime, &d, &t);
    return t;
}

ARCHIVE_GETTER(UnlhaGetArcFileSize, uint32_t, 0, clamp32(h->walk.size))
ARCHIVE_GETTER(UnlhaGetArcOriginalSize, uint32_t, 0, clamp32(h->totalOriginal))
ARCHIVE_GETTER(UnlhaGetArcCompressedSize, uint32_t, 0, clamp32(h->totalCompressed))
ARCHIVE_GETTER(UnlhaGetArcRatio, uint16_t, 0, ratioOf(h->totalCompressed, h->totalOriginal))
ARCHIVE_GETTER(UnlhaGetArcDate, uint16_t, 0, arcDate(h))
ARCHIVE_GETTER(UnlhaGetArcTime, uint16_t, 0, arcTime(h))
ARCHIVE_GETTER(UnlhaGetArcOSType, unsigned, 0, h->firstOs)

int UnlhaGetArcFileName(HARC archive, char* buffer, int size) {
    pthread_mutex_lock(&lock);
    UnlhaHandle* h = lookup(archive);
    const int rc = h ? copyText(h->path, buffer, size) : UNLHA_ERR_HANDLE;
    pthread_mutex_unlock(&lock);
    return rc;
}

/* MEMBER_GETTER(name, type, error value, expression over h): an answer about the last
 * member found. */
#define MEMBER_GETTER(Name, type, failed, expr)                                                    \
    type Name(HARC archive) {                                                                      \
        pthread_mutex_lock(&lock);                                                                 \
        UnlhaHandle* h = lookup(archive);                                                          \
        const type v = (h && h->haveLast) ? (type)(expr) : (type)(failed);                         \
        pthread_mutex_unlock(&lock);                                                               \
        return v;                                                                                  \
    }

static int64_t writeTime(const UnlhaHandle* h) {
    return h->last.hasUnixTime ? h->last.unixTime
                               : lha_from_dos_time(h->last.dosDate, h->last.dosTime);
}
static uint32_t unixTime32(int64_t t) {
    return t < 0 ? 0 : t > UINT32_MAX ? UINT32_MAX : (uint32_t)t;
}

MEMBER_GETTER(UnlhaGetOriginalSize, uint32_t, 0, h->lastInfo.originalSize)
MEMBER_GETTER(UnlhaGetCompressedSize, uint32_t, 0, h->lastInfo.compressedSize)
MEMBER_GETTER(UnlhaGetRatio, uint16_t, 0, h->lastInfo.ratio)
MEMBER_GETTER(UnlhaGetDate, uint16_t, 0, h->lastInfo.date)
MEMBER_GETTER(UnlhaGetTime, uint16_t, 0, h->lastInfo.time)
MEMBER_GETTER(UnlhaGetWriteTime, uint32_t, 0, unixTime32(writeTime(h)))
MEMBER_GETTER(UnlhaGetAccessTime, uint32_t, 0,
              unixTime32(h->last.hasWinTimes ? h->last.accessTime : writeTime(h)))
MEMBER_GETTER(UnlhaGetCreateTime, uint32_t, 0,
              unixTime32(h->last.hasWinTimes ? h->last.createTime : writeTime(h)))
MEMBER_GETTER(UnlhaGetCRC, uint32_t, 0, h->lastInfo.crc)
MEMBER_GETTER(UnlhaGetAttribute, int, -1, (int)lha_attributes(&h->last))
MEMBER_GETTER(UnlhaGetOSType, unsigned, 0, h->lastInfo.osType)

static int memberText(HARC archive, int method, char* buffer, int size) {
    pthread_mutex_lock(&lock);
    UnlhaHandle* h = lookup(archive);
    int rc = UNLHA_ERR_HANDLE;
    if (h && !h->haveLast)
        rc = UNLHA_ERR_NOT_SEARCHING;
    else if (h)
        rc = copyText(method ? h->lastInfo.method : h->lastInfo.fileName, buffer, size);
    pthread_mutex_unlock(&lock);
    return rc;
}

int UnlhaGetFileName(HARC archive, char* buffer, int size) {
    return memberText(archive, 0, buffer, size);
}

int UnlhaGetMethod(HARC archive, char* buffer, int size) {
    return memberText(archive, 1, buffer, size);
}
