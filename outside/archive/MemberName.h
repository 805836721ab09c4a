/* Member names as the archive libraries give them: each name decoded on its own, never
 * refused. Valid UTF-8 stays as it is, else CP932 is turned into UTF-8, else the stored
 * bytes are kept as they are (the program shows them escaped and writes them to disk as
 * they were). */
#ifndef ZELMO_MEMBER_NAME_H
#define ZELMO_MEMBER_NAME_H

#include "base/CodePage.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Decodes len stored bytes into out (cap bytes, NUL-terminated). A NUL inside the name
 * becomes "?". Returns the length, or (size_t)-1 when it does not fit. */
size_t zelmo_decode_name(const unsigned char* in, size_t len, char* out, size_t cap);

/* UTF-16LE (len bytes) into UTF-8 at out: U+FFFF, the folder separator of LZH names,
 * becomes "/"; a lone surrogate becomes U+FFFD. Returns the length written, or
 * (size_t)-1 when it does not fit. */
size_t zelmo_decode_utf16_name(const unsigned char* in, size_t len, char* out, size_t cap);

/* The name a ZIP member carries in an Info-ZIP Unicode Path extra field (0x7075), found
 * in extra (extraLen bytes) of a member whose stored name is name: 1 with *utf8 and
 * *utf8Len (pointing into extra) when the field is of version 1, its CRC-32 is that of the
 * stored name (else the name was renamed since), and its name is valid UTF-8 without NUL of
 * 1 to max bytes; else 0 (the stored name stands). */
int zelmo_zip_unicode_name(const unsigned char* name, size_t nameLen, const unsigned char* extra,
                           size_t extraLen, size_t max, const unsigned char** utf8,
                           size_t* utf8Len);

/* The members of an archive as our own reading of its headers (LZH) or directory (ZIP)
 * finds them, in the order of their data in the file. libarchive reads the data; the
 * names come from here, so a name libarchive cannot convert costs nothing. */
enum { ZELMO_MEMBER_FILE = 0, ZELMO_MEMBER_FOLDER = 1, ZELMO_MEMBER_OTHER = 2 };
typedef struct ZelmoMember {
    uint64_t offset; /* the member's header (LZH) or local header (ZIP) */
    uint64_t size;   /* uncompressed size as recorded */
    size_t raw;      /* into text: the name the member walk gives (what callers look up) */
    size_t name;     /* into text: the name written to disk */
    int kind;
} ZelmoMember;
typedef struct ZelmoMemberList {
    ZelmoMember* items;
    size_t count, cap;
    char* text;
    size_t textLen, textCap;
} ZelmoMemberList;

/* Adds a member; 0, or -1 when memory runs out. */
int zelmo_member_list_add(ZelmoMemberList* list, uint64_t offset, uint64_t size, int kind,
                          const char* raw, size_t rawLen, const char* name, size_t nameLen);
void zelmo_member_list_free(ZelmoMemberList* list);
static inline const char* zelmo_member_raw(const ZelmoMemberList* l, size_t i) {
    return l->text + l->items[i].raw;
}
static inline const char* zelmo_member_name(const ZelmoMemberList* l, size_t i) {
    return l->text + l->items[i].name;
}

#ifdef __cplusplus
}
#endif

#endif
