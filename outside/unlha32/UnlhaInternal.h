/* What the entry points of libunlha32.so share inside the library. */
#ifndef ZELMO_UNLHA_INTERNAL_H
#define ZELMO_UNLHA_INTERNAL_H

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes of the entry points (0 is success, -1 the end of a walk). */
enum {
    UNLHA_ERR_NOT_FOUND = 0x800F,     /* no member of that name */
    UNLHA_ERR_HEADER_BROKEN = 0x8017, /* a damaged member header */
    UNLHA_ERR_ARC_OPEN = 0x8018,      /* the archive cannot be opened */
    UNLHA_ERR_NOT_ARCHIVE = 0x8019,   /* not an LZH archive */
    UNLHA_ERR_COMMAND = 0x801C,       /* a command the library does not take */
    UNLHA_ERR_NO_MEMORY = 0x801E,
    UNLHA_ERR_RUNNING = 0x801F,       /* another command is running */
    UNLHA_ERR_HANDLE = 0x8021,        /* not an open archive */
    UNLHA_ERR_NOT_SEARCHING = 0x8022, /* a next member before a first */
    UNLHA_ERR_NOT_SUPPORTED = 0x8023,
    UNLHA_ERR_LONG_NAME = 0x8026, /* a name longer than the record holds */
    UNLHA_ERR_BUFFER = 0x802E     /* the caller's buffer is too small or missing */
};

/* Marks a command as running; 0 when none was. */
int unlha_begin_running(void);
void unlha_end_running(void);

/* 1 when name matches the wildcard by Windows rules ("*", "?", no case; "*.*" matches
 * every name, also one without a dot). A NULL or empty wildcard matches every name. */
int unlha_wildcard_match(const char* wildcard, const char* name);

#ifdef __cplusplus
}
#endif

#endif
