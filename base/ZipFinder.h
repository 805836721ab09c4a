/* Where a ZIP file's central directory begins, and its entries' headers: one reading for
 * the archive window's member walk and for extraction. */
#ifndef ZELMO_ZIP_FINDER_H
#define ZELMO_ZIP_FINDER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ZELMO_ZIP_HEADER_BYTES = 46, ZELMO_ZIP_END_BYTES = 22 };

/* Reads len bytes at offset of source into dst: 0 when all of them arrived, else -1. */
typedef int (*ZelmoReadAt)(void* source, uint64_t offset, void* dst, size_t len);

typedef struct ZelmoZipDirectory {
    uint64_t first; /* the first central directory header */
    int64_t shift;  /* how far the recorded offsets are off: add it to a local header's */
} ZelmoZipDirectory;

/* Searches the last 65 557 bytes of a file of size bytes from the end for an end record
 * whose directory offset holds a directory header: as recorded, else moved by the size of
 * a DOS program in front, else moved by how far the directory's recorded end lies from
 * where it ends (bytes put in front of the archive or cut off). 0 with *found filled, or
 * -1 when no end record leads to a directory. */
int zelmo_zip_find_directory(ZelmoReadAt read, void* source, uint64_t size,
                             ZelmoZipDirectory* found);

typedef struct ZelmoZipEntry {
    uint16_t madeBy, flags, time, date;
    uint32_t crc, attributes;
    uint64_t compressed, original, local; /* ZIP64 values once zelmo_zip64_entry has run */
    uint32_t nameLen, extraLen, commentLen;
} ZelmoZipEntry;

/* The 46 bytes of a central directory header: 0, or -1 when they are none. */
int zelmo_zip_parse_entry(const unsigned char* header, ZelmoZipEntry* entry);
/* Takes the values that stand in the ZIP64 extra field (the entry's extra field, len
 * bytes) for the sizes and the local header offset whose 32-bit fields are all ones. */
void zelmo_zip64_entry(const unsigned char* extra, size_t len, ZelmoZipEntry* entry);
/* Bytes from the entry's header to the next one's. */
static inline uint64_t zelmo_zip_entry_bytes(const ZelmoZipEntry* e) {
    return (uint64_t)ZELMO_ZIP_HEADER_BYTES + e->nameLen + e->extraLen + e->commentLen;
}

#ifdef __cplusplus
}
#endif

#endif
