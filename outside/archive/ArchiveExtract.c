/* Opening archives with only one libarchive reader, names in UTF-8, and reading one member
 * into the caller's memory. The extraction into a folder is in ExtractAll.c. */
#define _GNU_SOURCE
#include "outside/archive/ArchiveExtract.h"
#include "outside/archive/ArchiveInternal.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
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

static struct archive* newReader(enum ZelmoArchiveKind kind, enum NameDecoding decoding) {
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
        r = archive_read_support_format_zip(a);
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

static struct archive* openFile(const char* path, enum ZelmoArchiveKind kind,
                                enum NameDecoding decoding) {
    if (!path)
        return NULL;
    struct archive* a = newReader(kind, decoding);
    if (!a)
        return NULL;
    if (archive_read_open_filename(a, path, 65536) != ARCHIVE_OK) {
        archive_read_free(a);
        return NULL;
    }
    return a;
}

struct archive* zelmo_archive_open(const char* path, enum ZelmoArchiveKind kind) {
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = openFile(path, kind, DECODE_CP932);
    zelmo_utf8_locale_leave(previous);
    return a;
}

struct archive* zelmo_archive_open_stored_names(const char* path, int kind) {
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = openFile(path, (enum ZelmoArchiveKind)kind, DECODE_LATIN1);
    zelmo_utf8_locale_leave(previous);
    return a;
}

struct archive* zelmo_archive_open_memory(const void* data, size_t size,
                                          enum ZelmoArchiveKind kind) {
    if (!data && size > 0)
        return NULL;
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = newReader(kind, DECODE_CP932);
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
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry) ||
            !nameMatches(entry, member, decoding))
            continue;
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
    /* The name as the walk of this library gives it (CP932 unless marked UTF-8); then, for
     * a caller that decoded the stored bytes as UTF-8 or kept them as stored, those. */
    static const enum NameDecoding order[] = {DECODE_CP932, DECODE_UTF8, DECODE_LATIN1};
    int result = ZELMO_EXTRACT_BAD_ARCHIVE;
    for (size_t i = 0; i < sizeof order / sizeof order[0]; ++i) {
        struct archive* a = openFile(path, kind, order[i]);
        if (!a)
            break;
        result = readMember(a, member, order[i], buffer, size, written, mtime, attributes);
        archive_read_free(a);
        if (result != ZELMO_EXTRACT_NOT_FOUND)
            break;
    }
    zelmo_utf8_locale_leave(previous);
    return result;
}
