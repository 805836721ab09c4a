/* The members of a ZIP file as its central directory lists them, found by the same search
 * as the archive window's member walk (base/ZipFinder.h). Unlike that walk, a long name
 * does not end the list: extraction goes on to the members after it. */
#define _GNU_SOURCE
#include "base/ZipFinder.h"
#include "outside/archive/ArchiveInternal.h"
#include "outside/archive/ArchiveMemberInfo.h"
#include "outside/archive/MemberName.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int readAt(void* source, uint64_t off, void* dst, size_t len) {
    const int fd = *(const int*)source;
    size_t got = 0;
    while (got < len) {
        ssize_t n = pread(fd, (char*)dst + got, len - got, (off_t)(off + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        got += (size_t)n;
    }
    return 0;
}

static int kindOf(const ZelmoZipEntry* e, const unsigned char* name, size_t nameLen) {
    const unsigned madeBy = e->madeBy >> 8;
    const uint32_t attributes = e->attributes;
    if (madeBy == 3 /* Unix */ && (attributes >> 16) != 0) {
        const unsigned type = (attributes >> 16) & 0170000;
        if (type == 0040000)
            return ZELMO_MEMBER_FOLDER;
        if (type != 0100000 && type != 0)
            return ZELMO_MEMBER_OTHER;
    }
    if (nameLen > 0 && (name[nameLen - 1] == '/' || name[nameLen - 1] == '\\'))
        return ZELMO_MEMBER_FOLDER;
    return (attributes & 0x10) ? ZELMO_MEMBER_FOLDER : ZELMO_MEMBER_FILE;
}

static int byOffset(const void* a, const void* b) {
    const ZelmoMember* x = a;
    const ZelmoMember* y = b;
    if (x->offset != y->offset)
        return x->offset < y->offset ? -1 : 1;
    /* Equal offsets keep the directory's order (the text grows with it). */
    return x->raw < y->raw ? -1 : x->raw > y->raw;
}

int zelmo_list_zip(const char* path, ZelmoMemberList* list, size_t max) {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    ZelmoZipDirectory dir;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        zelmo_zip_find_directory(readAt, &fd, (uint64_t)st.st_size, &dir) != 0) {
        close(fd);
        return -1;
    }
    unsigned char h[ZELMO_ZIP_HEADER_BYTES];
    unsigned char* var = malloc(3 * 65536);
    char* name = malloc(4 * 65536);
    ZelmoZipEntry e;
    for (uint64_t at = dir.first;
         var && name && list->count < max && readAt(&fd, at, h, sizeof h) == 0 &&
         zelmo_zip_parse_entry(h, &e) == 0;
         at += zelmo_zip_entry_bytes(&e)) {
        if (readAt(&fd, at + sizeof h, var, e.nameLen + e.extraLen) != 0)
            break;
        zelmo_zip64_entry(var + e.nameLen, e.extraLen, &e);
        /* A name in the Unicode path field is the member's name, as the listing gives it. */
        const unsigned char* unicode;
        size_t unicodeLen;
        const int hasUnicode =
            zelmo_zip_unicode_name(var, e.nameLen, var + e.nameLen, e.extraLen,
                                   ARCHIVE_MEMBER_NAME_SIZE - 1, &unicode, &unicodeLen);
        const unsigned char* raw = hasUnicode ? unicode : var;
        const size_t rawLen = hasUnicode ? unicodeLen : e.nameLen;
        const size_t n = zelmo_decode_name(raw, rawLen, name, 4 * 65536);
        if (n == (size_t)-1 || zelmo_member_list_add(list, e.local + (uint64_t)dir.shift,
                                                     e.original, kindOf(&e, var, e.nameLen),
                                                     (const char*)raw, rawLen, name, n) != 0)
            break;
    }
    free(var);
    free(name);
    close(fd);
    /* libarchive reads members in the order of their data, and a member whose data
     * another entry already named only once. */
    qsort(list->items, list->count, sizeof *list->items, byOffset);
    size_t kept = 0;
    for (size_t i = 0; i < list->count; ++i)
        if (kept == 0 || list->items[i].offset != list->items[kept - 1].offset)
            list->items[kept++] = list->items[i];
    list->count = kept;
    return 0;
}
