/* Between the parts of the shared extraction code, not for the libraries. */
#ifndef ZELMO_ARCHIVE_INTERNAL_H
#define ZELMO_ARCHIVE_INTERNAL_H

#include "outside/archive/MemberName.h"

#include <stddef.h>
#include <stdint.h>

struct archive;
struct archive_entry;

/* A reader of the archive at path from byte offset on, names kept as their stored bytes
 * (one code point each: no name can fail to convert; ours come from the member list).
 * streaming: ZIP read from local header to local header instead of by its directory.
 * Only regular files are opened, never waiting on a FIFO. NULL on failure. */
struct archive* zelmo_archive_open_at(const char* path, int kind, uint64_t offset, int streaming);
/* Where the reader's current header begins in the file. */
uint64_t zelmo_header_offset(struct archive* reader);

/* The members by our own reading: 0, or -1 when the file is no archive of the kind. */
int zelmo_list_members(const char* path, int kind, ZelmoMemberList* list, size_t max);
int zelmo_list_zip(const char* path, ZelmoMemberList* list, size_t max);

/* The stored bytes of a name read by a stored-names reader, NUL-terminated into out; 0
 * when the name holds a wider code point or does not fit. */
int zelmo_stored_name(const char* name, char* out, size_t cap);

#endif
