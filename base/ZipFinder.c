/* The ZIP end record search and the directory header; see ZipFinder.h. */
#include "base/ZipFinder.h"
#include "base/ByteOrder.h"

enum {
    END_SIG = 0x06054b50,
    HEADER_SIG = 0x02014b50,
    ZIP64_END_SIG = 0x06064b50,
    ZIP64_LOCATOR_SIG = 0x07064b50,
    ZIP64_END_BYTES = 56,
    ZIP64_LOCATOR_BYTES = 20,
    SEARCH_BYTES = ZELMO_ZIP_END_BYTES + 65535, /* the largest end record with comment */
    WINDOW_BYTES = 1024,
    WINDOW_OVERLAP = ZELMO_ZIP_END_BYTES - 1, /* a record across a boundary is seen whole */
};

typedef struct Search {
    ZelmoReadAt read;
    void* source;
    uint64_t size;
    int dos;     /* a DOS program image lies in front */
    int64_t sfx; /* its size, (pages - 1) * 512 + bytes in the last page; negative for 0 pages */
} Search;

/* at + by, when that stays inside the file. */
static int moved(const Search* s, uint64_t at, int64_t by, uint64_t* to) {
    if (by >= 0 ? at > s->size || (uint64_t)by > s->size - at : (uint64_t)(-(by + 1)) >= at)
        return 0;
    *to = at + (uint64_t)by;
    return 1;
}

static int isHeader(const Search* s, uint64_t at) {
    unsigned char h[ZELMO_ZIP_HEADER_BYTES];
    return s->read(s->source, at, h, sizeof h) == 0 && zelmo_le32(h) == HEADER_SIG;
}

static int isZip64End(const Search* s, uint64_t at, unsigned char* rec) {
    return s->read(s->source, at, rec, ZIP64_END_BYTES) == 0 && zelmo_le32(rec) == ZIP64_END_SIG;
}

/* A ZIP64 end record names the directory when the 32-bit fields cannot: its locator lies
 * just in front of the ordinary end record, and it lies where the locator says (or that
 * far past a DOS program, or just in front of the locator when bytes were put in front). */
static void zip64Directory(const Search* s, uint64_t endRecord, uint64_t* dir, uint64_t* dirSize,
                           uint64_t* dirEnd) {
    unsigned char loc[ZIP64_LOCATOR_BYTES], rec[ZIP64_END_BYTES];
    if (endRecord < sizeof loc ||
        s->read(s->source, endRecord - sizeof loc, loc, sizeof loc) != 0 ||
        zelmo_le32(loc) != ZIP64_LOCATOR_SIG)
        return;
    uint64_t at = zelmo_le64(loc + 8), other;
    if (!isZip64End(s, at, rec)) {
        if (s->dos && s->sfx > 0 && moved(s, at, s->sfx, &other) && isZip64End(s, other, rec))
            at = other;
        else if (endRecord >= sizeof loc + sizeof rec &&
                 isZip64End(s, other = endRecord - sizeof loc - sizeof rec, rec))
            at = other;
        else
            return;
    }
    *dir = zelmo_le64(rec + 48);
    *dirSize = zelmo_le64(rec + 40);
    *dirEnd = at;
}

/* The end record rec at endRecord: 0 with found filled when it leads to a directory. */
static int useEndRecord(const Search* s, const unsigned char* rec, uint64_t endRecord,
                        ZelmoZipDirectory* found) {
    uint64_t dir = zelmo_le32(rec + 16), dirSize = zelmo_le32(rec + 12), dirEnd = endRecord;
    if (dir == UINT32_MAX)
        zip64Directory(s, endRecord, &dir, &dirSize, &dirEnd);
    int64_t shifts[3];
    int count = 0;
    shifts[count++] = 0;
    if (s->dos)
        shifts[count++] = s->sfx; /* offsets counted from the archive appended to the stub */
    /* Bytes put in front of (or cut from) the archive move the directory's end as far. */
    if (dir <= UINT64_MAX - dirSize && dir + dirSize != dirEnd)
        shifts[count++] = (int64_t)(dirEnd - (dir + dirSize)); /* two's complement: either way */
    for (int i = 0; i < count; ++i) {
        uint64_t at;
        if (moved(s, dir, shifts[i], &at) && isHeader(s, at)) {
            found->first = at;
            found->shift = shifts[i];
            return 0;
        }
    }
    return -1;
}

int zelmo_zip_find_directory(ZelmoReadAt read, void* source, uint64_t size,
                             ZelmoZipDirectory* found) {
    Search s = {read, source, size, 0, 0};
    if (size < ZELMO_ZIP_END_BYTES)
        return -1;
    if (size >= 25) {
        unsigned char head[25];
        if (read(source, 0, head, sizeof head) != 0)
            return -1;
        if (((head[0] == 'M' && head[1] == 'Z') || (head[0] == 'Z' && head[1] == 'M')) &&
            head[24] < 0x40) {
            s.dos = 1;
            s.sfx = ((int64_t)zelmo_le16(head + 4) - 1) * 512 + zelmo_le16(head + 2);
        }
    }
    /* From the end in windows, each overlapping the one after it; the last one is cut at
     * the search area's start, so the whole area is searched. */
    const uint64_t low = size - (size < SEARCH_BYTES ? size : SEARCH_BYTES);
    unsigned char buf[WINDOW_BYTES];
    for (uint64_t end = size;;) {
        const uint64_t start = end - low > WINDOW_BYTES ? end - WINDOW_BYTES : low;
        const uint64_t window = end - start;
        if (read(source, start, buf, (size_t)window) != 0)
            return -1;
        for (int64_t i = (int64_t)window - ZELMO_ZIP_END_BYTES; i >= 0; --i)
            if (zelmo_le32(buf + i) == END_SIG &&
                useEndRecord(&s, buf + i, start + (uint64_t)i, found) == 0)
                return 0;
        if (start == low)
            return -1;
        end = start + WINDOW_OVERLAP;
    }
}

int zelmo_zip_parse_entry(const unsigned char* h, ZelmoZipEntry* e) {
    if (zelmo_le32(h) != HEADER_SIG)
        return -1;
    e->madeBy = zelmo_le16(h + 4);
    e->flags = zelmo_le16(h + 8);
    e->time = zelmo_le16(h + 12);
    e->date = zelmo_le16(h + 14);
    e->crc = zelmo_le32(h + 16);
    e->compressed = zelmo_le32(h + 20);
    e->original = zelmo_le32(h + 24);
    e->nameLen = zelmo_le16(h + 28);
    e->extraLen = zelmo_le16(h + 30);
    e->commentLen = zelmo_le16(h + 32);
    e->attributes = zelmo_le32(h + 38);
    e->local = zelmo_le32(h + 42);
    return 0;
}

void zelmo_zip64_entry(const unsigned char* extra, size_t len, ZelmoZipEntry* e) {
    for (size_t at = 0; at + 4 <= len;) {
        const size_t id = zelmo_le16(extra + at), size = zelmo_le16(extra + at + 2);
        if (at + 4 + size > len)
            return;
        if (id == 0x0001) {
            /* The full values in this order, each only when its field is all ones. */
            const unsigned char* v = extra + at + 4;
            const unsigned char* const stop = v + size;
            uint64_t* const fields[] = {&e->original, &e->compressed, &e->local};
            for (int i = 0; i < 3; ++i) {
                if (*fields[i] != UINT32_MAX || stop - v < 8)
                    continue;
                *fields[i] = zelmo_le64(v);
                v += 8;
            }
            return;
        }
        at += 4 + size;
    }
}
