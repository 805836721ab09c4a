/* Opening archives with only one libarchive reader, names in UTF-8, and reading one member
 * into the caller's memory. The extraction into a folder is in ExtractAll.c. */
#define _GNU_SOURCE
#include "outside/archive/ArchiveExtract.h"
#include "outside/archive/ArchiveInternal.h"
#include "outside/archive/LzhMembers.h"
#include "outside/unlha32/LhaWalk.h"

#include <archive.h>
#include <archive_entry.h>
#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static pthread_once_t gLocaleOnce = PTHREAD_ONCE_INIT;
static locale_t gUtf8Locale = (locale_t)0;

static void makeUtf8Locale(void) {
    gUtf8Locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
}

/* The libraries are loaded and unloaded at run time: the locale goes with them. */
__attribute__((destructor)) static void freeUtf8Locale(void) {
    if (gUtf8Locale != (locale_t)0)
        freelocale(gUtf8Locale);
    gUtf8Locale = (locale_t)0;
}

void* zelmo_utf8_locale_enter(void) {
    pthread_once(&gLocaleOnce, makeUtf8Locale);
    if (gUtf8Locale == (locale_t)0)
        return NULL;
    return (void*)uselocale(gUtf8Locale);
}

void zelmo_utf8_locale_leave(void* previous) {
    if (previous)
        uselocale((locale_t)previous);
}

const char* zelmo_entry_name(struct archive_entry* entry) {
    /* The reader was set up under the UTF-8 locale, so its multibyte form is UTF-8; asking
     * for the _utf8 form would convert again through the process locale. */
    const char* name = archive_entry_pathname(entry);
    return name ? name : "";
}

/* How names that carry no UTF-8 mark are decoded. */
enum NameDecoding { DECODE_CP932, DECODE_UTF8, DECODE_LATIN1 };

static struct archive* newReader(enum ZelmoArchiveKind kind, enum NameDecoding decoding,
                                 int streaming) {
    static const char* const charsets[] = {"CP932", "UTF-8", "ISO-8859-1"};
    struct archive* a = archive_read_new();
    if (!a)
        return NULL;
    char options[64];
    int r;
    if (kind == ZELMO_ARCHIVE_LZH) {
        r = archive_read_support_format_lha(a);
        snprintf(options, sizeof options, "lha:hdrcharset=%s", charsets[decoding]);
    } else if (kind == ZELMO_ARCHIVE_ZIP) {
        /* Names with the UTF-8 flag stay UTF-8 whatever the header charset says. */
        r = streaming ? archive_read_support_format_zip_streamable(a)
                      : archive_read_support_format_zip(a);
        snprintf(options, sizeof options, "zip:hdrcharset=%s", charsets[decoding]);
    } else {
        r = ARCHIVE_FATAL;
    }
    if (r != ARCHIVE_OK || archive_read_set_options(a, options) != ARCHIVE_OK) {
        archive_read_free(a);
        return NULL;
    }
    return a;
}

/* The file as libarchive reads it, from an offset on: read, skip and seek over one
 * descriptor, closed with the reader. */
typedef struct Source {
    int fd;
    uint64_t base, pos, size;
    unsigned char buf[65536];
} Source;

static la_ssize_t sourceRead(struct archive* a, void* data, const void** out) {
    (void)a;
    Source* s = data;
    *out = s->buf;
    for (;;) {
        ssize_t n = pread(s->fd, s->buf, sizeof s->buf, (off_t)(s->base + s->pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            s->pos += (uint64_t)n;
        return n;
    }
}

static la_int64_t sourceSkip(struct archive* a, void* data, la_int64_t request) {
    (void)a;
    Source* s = data;
    const uint64_t left = s->base + s->pos < s->size ? s->size - s->base - s->pos : 0;
    const uint64_t n = request < 0 ? 0 : (uint64_t)request < left ? (uint64_t)request : left;
    s->pos += n;
    return (la_int64_t)n;
}

static la_int64_t sourceSeek(struct archive* a, void* data, la_int64_t offset, int whence) {
    (void)a;
    Source* s = data;
    const int64_t length = s->size > s->base ? (int64_t)(s->size - s->base) : 0;
    int64_t to = whence == SEEK_SET   ? offset
                 : whence == SEEK_CUR ? (int64_t)s->pos + offset
                                      : length + offset;
    if (to < 0)
        return ARCHIVE_FATAL;
    s->pos = (uint64_t)to;
    return to;
}

static int sourceClose(struct archive* a, void* data) {
    (void)a;
    Source* s = data;
    close(s->fd);
    free(s);
    return ARCHIVE_OK;
}

static struct archive* openAt(const char* path, enum ZelmoArchiveKind kind,
                              enum NameDecoding decoding, uint64_t offset, int streaming) {
    if (!path)
        return NULL;
    /* A FIFO or a device would block the open or the reads: only a regular file is
     * opened, without waiting, and checked again on the descriptor. */
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return NULL;
    Source* s = malloc(sizeof *s);
    if (!s)
        return NULL;
    s->fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (s->fd < 0 || fstat(s->fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        offset > (uint64_t)st.st_size) {
        if (s->fd >= 0)
            close(s->fd);
        free(s);
        return NULL;
    }
    s->base = offset;
    s->pos = 0;
    s->size = (uint64_t)st.st_size;
    struct archive* a = newReader(kind, decoding, streaming);
    if (!a) {
        close(s->fd);
        free(s);
        return NULL;
    }
    archive_read_set_callback_data(a, s);
    archive_read_set_read_callback(a, sourceRead);
    archive_read_set_skip_callback(a, sourceSkip);
    archive_read_set_seek_callback(a, sourceSeek);
    archive_read_set_close_callback(a, sourceClose);
    if (archive_read_open1(a) != ARCHIVE_OK) {
        archive_read_free(a); /* closes the source */
        return NULL;
    }
    return a;
}

static struct archive* openFile(const char* path, enum ZelmoArchiveKind kind,
                                enum NameDecoding decoding) {
    return openAt(path, kind, decoding, 0, 0);
}

struct archive* zelmo_archive_open(const char* path, enum ZelmoArchiveKind kind) {
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = openFile(path, kind, DECODE_CP932);
    zelmo_utf8_locale_leave(previous);
    return a;
}

struct archive* zelmo_archive_open_at(const char* path, int kind, uint64_t offset, int streaming) {
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = openAt(path, (enum ZelmoArchiveKind)kind, DECODE_LATIN1, offset, streaming);
    zelmo_utf8_locale_leave(previous);
    return a;
}

int zelmo_list_members(const char* path, int kind, ZelmoMemberList* list, size_t max) {
    if (kind == ZELMO_ARCHIVE_LZH)
        return lha_list_members(path, list, max);
    if (kind == ZELMO_ARCHIVE_ZIP)
        return zelmo_list_zip(path, list, max);
    return -1;
}

struct archive* zelmo_archive_open_memory(const void* data, size_t size,
                                          enum ZelmoArchiveKind kind) {
    if (!data && size > 0)
        return NULL;
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = newReader(kind, DECODE_CP932, 0);
    if (a && archive_read_open_memory(a, data, size) != ARCHIVE_OK) {
        archive_read_free(a);
        a = NULL;
    }
    zelmo_utf8_locale_leave(previous);
    return a;
}

static uint16_t dosAttributes(struct archive_entry* entry) {
    mode_t mode = archive_entry_mode(entry);
    uint16_t attributes = S_ISDIR(mode) ? 0x10 : 0x20;
    if ((mode & 0222) == 0)
        attributes |= 0x01;
    return attributes;
}

/* Latin-1 decoding maps every stored byte to one code point; this undoes it, so a name
 * can be matched by its stored bytes. 0 when the name holds a wider code point. */
int zelmo_stored_name(const char* name, char* out, size_t cap) {
    size_t n = 0;
    for (const unsigned char* p = (const unsigned char*)name; *p;) {
        unsigned c = *p;
        if (c < 0x80) {
            ++p;
        } else if ((c == 0xC2 || c == 0xC3) && (p[1] & 0xC0) == 0x80) {
            c = ((c & 0x1F) << 6) | (p[1] & 0x3F);
            p += 2;
        } else {
            return 0;
        }
        if (n + 1 >= cap)
            return 0;
        out[n++] = (char)c;
    }
    out[n] = '\0';
    return 1;
}

/* Equal names, "/" and "\" taken as the same separator: the reader turns a stored "\"
 * into "/", while a caller that decoded the stored bytes itself still has "\". */
static int sameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int sa = *a == '/' || *a == '\\', sb = *b == '/' || *b == '\\';
        if (sa != sb || (!sa && *a != *b))
            return 0;
        if (*a == '\0')
            return 1;
    }
}

static int nameMatches(struct archive_entry* entry, const char* member,
                       enum NameDecoding decoding) {
    const char* name = zelmo_entry_name(entry);
    if (sameName(name, member))
        return 1;
    if (decoding != DECODE_LATIN1)
        return 0;
    char bytes[4096];
    return zelmo_stored_name(name, bytes, sizeof bytes) && sameName(bytes, member);
}

/* The data of the member the reader just gave into buffer, never past size. */
static int readData(struct archive* a, struct archive_entry* entry, unsigned char* buffer,
                    uint32_t size, uint32_t* written, int64_t* mtime, uint16_t* attributes) {
    if (mtime)
        *mtime = (int64_t)archive_entry_mtime(entry);
    if (attributes)
        *attributes = dosAttributes(entry);
    uint32_t filled = 0;
    /* Each read asks for no more than the room left, so nothing lands past size. */
    while (filled < size) {
        la_ssize_t n = archive_read_data(a, buffer + filled, size - filled);
        if (n < 0) {
            *written = filled;
            return ZELMO_EXTRACT_BAD_ARCHIVE;
        }
        if (n == 0)
            break;
        filled += (uint32_t)n;
    }
    *written = filled;
    return 0;
}

static int isPlainFile(struct archive_entry* entry) {
    return archive_entry_filetype(entry) == AE_IFREG && !archive_entry_hardlink(entry);
}

static int readMember(struct archive* a, const char* member, enum NameDecoding decoding,
                      unsigned char* buffer, uint32_t size, uint32_t* written, int64_t* mtime,
                      uint16_t* attributes) {
    struct archive_entry* entry;
    for (;;) {
        int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            return ZELMO_EXTRACT_NOT_FOUND;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
            return ZELMO_EXTRACT_BAD_ARCHIVE;
        if (!isPlainFile(entry) || !nameMatches(entry, member, decoding))
            continue;
        return readData(a, entry, buffer, size, written, mtime, attributes);
    }
}

int zelmo_read_member(struct archive* reader, const char* member, unsigned char* buffer,
                      uint32_t size, uint32_t* written, int64_t* mtime, uint16_t* attributes) {
    uint32_t dummy;
    if (!written)
        written = &dummy;
    *written = 0;
    if (!reader || !member || (!buffer && size > 0))
        return ZELMO_EXTRACT_BAD_ARGUMENT;
    void* previous = zelmo_utf8_locale_enter();
    int r = readMember(reader, member, DECODE_CP932, buffer, size, written, mtime, attributes);
    zelmo_utf8_locale_leave(previous);
    return r;
}

/* The LZH member whose header begins at offset, by lhasa's decoders, never past size. */
static int readLzh(const char* path, uint64_t offset, unsigned char* buffer, uint32_t size,
                   uint32_t* written, int64_t* mtime, uint16_t* attributes) {
    ZelmoLzhMembers* m = malloc(sizeof *m);
    if (!m || zelmo_lzh_open(m, path) != 0) {
        free(m);
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    }
    int r = ZELMO_EXTRACT_BAD_ARCHIVE;
    const int found = zelmo_lzh_at(m, offset) == 1;
    if (found && m->kind != ZELMO_MEMBER_FILE) {
        r = ZELMO_EXTRACT_NOT_FOUND;
    } else if (found && m->data) {
        if (mtime)
            *mtime = lha_member_time(&m->header);
        if (attributes)
            *attributes = (uint16_t)lha_attributes(&m->header);
        uint32_t filled = 0;
        ssize_t n = 1;
        while (filled < size && (n = zelmo_lzh_read(m, buffer + filled, size - filled)) > 0)
            filled += (uint32_t)n;
        /* A member that fills the buffer exactly is read to its end: its CRC is checked. */
        unsigned char past;
        if (n > 0 && filled == size)
            n = zelmo_lzh_read(m, &past, 1);
        *written = filled;
        r = n < 0 ? ZELMO_EXTRACT_BAD_ARCHIVE : 0;
    }
    zelmo_lzh_close(m);
    free(m);
    return r;
}

/* Member i of our own list: an LZH member is decoded from its header on; a ZIP is read by its
 * directory up to the member (libarchive walks the members in the list's order), and
 * from its local header when that reader does not get there. */
static int readListed(const char* path, enum ZelmoArchiveKind kind, const ZelmoMemberList* list,
                      size_t i, unsigned char* buffer, uint32_t size, uint32_t* written,
                      int64_t* mtime, uint16_t* attributes) {
    const ZelmoMember* m = &list->items[i];
    if (m->kind != ZELMO_MEMBER_FILE)
        return ZELMO_EXTRACT_NOT_FOUND;
    if (kind == ZELMO_ARCHIVE_LZH)
        return readLzh(path, m->offset, buffer, size, written, mtime, attributes);
    struct archive_entry* entry;
    if (kind == ZELMO_ARCHIVE_ZIP) {
        struct archive* a = openAt(path, kind, DECODE_LATIN1, 0, 0);
        for (size_t k = 0; a; ++k) {
            int r = archive_read_next_header(a, &entry);
            if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
                break;
            if (k < i)
                continue;
            if (archive_entry_size_is_set(entry) && (uint64_t)archive_entry_size(entry) != m->size)
                break; /* not the member we look for: libarchive counts differently */
            r = isPlainFile(entry) ? readData(a, entry, buffer, size, written, mtime, attributes)
                                   : ZELMO_EXTRACT_NOT_FOUND;
            archive_read_free(a);
            return r;
        }
        if (a)
            archive_read_free(a);
    }
    struct archive* a = openAt(path, kind, DECODE_LATIN1, m->offset, kind == ZELMO_ARCHIVE_ZIP);
    if (!a)
        return ZELMO_EXTRACT_BAD_ARCHIVE;
    int r = archive_read_next_header(a, &entry);
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
        r = ZELMO_EXTRACT_BAD_ARCHIVE;
    else
        r = isPlainFile(entry) ? readData(a, entry, buffer, size, written, mtime, attributes)
                               : ZELMO_EXTRACT_NOT_FOUND;
    archive_read_free(a);
    return r;
}

/* The member by our own list: by the name the member walk gives (for a ZIP its stored
 * bytes), else by the name written to disk. -1 when the list has no such member. */
static int extractListed(const char* path, enum ZelmoArchiveKind kind, const char* member,
                         unsigned char* buffer, uint32_t size, uint32_t* written, int64_t* mtime,
                         uint16_t* attributes) {
    ZelmoMemberList list;
    memset(&list, 0, sizeof list);
    int result = -1;
    if (zelmo_list_members(path, kind, &list, (size_t)-1) == 0) {
        size_t found = list.count;
        for (size_t i = 0; i < list.count && found == list.count; ++i)
            if (sameName(zelmo_member_raw(&list, i), member))
                found = i;
        for (size_t i = 0; i < list.count && found == list.count; ++i)
            if (sameName(zelmo_member_name(&list, i), member))
                found = i;
        if (found < list.count)
            result = readListed(path, kind, &list, found, buffer, size, written, mtime, attributes);
    }
    zelmo_member_list_free(&list);
    return result;
}

int zelmo_extract_member(const char* path, enum ZelmoArchiveKind kind, const char* member,
                         unsigned char* buffer, uint32_t size, uint32_t* written, int64_t* mtime,
                         uint16_t* attributes) {
    uint32_t dummy;
    if (!written)
        written = &dummy;
    *written = 0;
    if (!path || !member || (!buffer && size > 0))
        return ZELMO_EXTRACT_BAD_ARGUMENT;
    void* previous = zelmo_utf8_locale_enter();
    int result = extractListed(path, kind, member, buffer, size, written, mtime, attributes);
    /* An archive our own reading does not take: libarchive's names, as this library's
     * walk would decode them, then as UTF-8, then as stored. */
    static const enum NameDecoding order[] = {DECODE_CP932, DECODE_UTF8, DECODE_LATIN1};
    for (size_t i = 0; result < 0 && i < sizeof order / sizeof order[0]; ++i) {
        struct archive* a = openFile(path, kind, order[i]);
        if (!a) {
            result = ZELMO_EXTRACT_BAD_ARCHIVE;
            break;
        }
        result = readMember(a, member, order[i], buffer, size, written, mtime, attributes);
        archive_read_free(a);
        if (result == ZELMO_EXTRACT_NOT_FOUND && i + 1 < sizeof order / sizeof order[0])
            result = -1;
    }
    zelmo_utf8_locale_leave(previous);
    return result;
}
