/* Between the two halves of the shared extraction code, not for the libraries. */
#ifndef ZELMO_ARCHIVE_INTERNAL_H
#define ZELMO_ARCHIVE_INTERNAL_H

#include <stddef.h>

struct archive;
struct archive_entry;

/* A reader whose names without a UTF-8 mark come out as their stored bytes, one code point
 * each (Latin-1), so that zelmo_stored_name can give the bytes back. */
struct archive* zelmo_archive_open_stored_names(const char* path, int kind);
/* The stored bytes of a name read by that reader, NUL-terminated into out; 0 when the name
 * holds a wider code point or does not fit. */
int zelmo_stored_name(const char* name, char* out, size_t cap);

#endif
