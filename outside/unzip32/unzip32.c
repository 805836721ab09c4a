/* libunzip32.so: the ZIP archive library's entries. Commands follow the rule of
 * CommandLine.h:
 *   -x <archive> <folder>   extracts every member into the folder
 *   -p <archive> <member>   puts the member's bytes into the output buffer, NUL-terminated
 * Anything else is refused before anything is read or written. */
#include "outside/archive/Unzip32.h"
#include "base/CommandLine.h"
#include "outside/archive/ArchiveExtract.h"

#include <archive.h>
#include <stdatomic.h>
#include <stdio.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

/* Not a library of the other kind (that one answers 1 here): version 1.00. */
enum { VERSION = 100 };
/* Refused commands, apart from the extraction's own results. */
enum { UNZIP_BAD_COMMAND = 0x100 };

static atomic_int gRunning;

EXPORT int UnZipGetVersion(void) {
    return VERSION;
}

EXPORT int UnZipGetRunning(void) {
    return atomic_load(&gRunning) > 0;
}

EXPORT int UnZipCheckArchive(const char* path, int mode) {
    (void)mode;
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = zelmo_archive_open(path, ZELMO_ARCHIVE_ZIP);
    int readable = 0;
    if (a) {
        struct archive_entry* entry;
        int r = archive_read_next_header(a, &entry);
        readable = r == ARCHIVE_OK || r == ARCHIVE_WARN || r == ARCHIVE_EOF;
        archive_read_free(a);
    }
    zelmo_utf8_locale_leave(previous);
    return readable;
}

static void say(char* out, uint32_t size, const char* text) {
    if (out && size > 0)
        snprintf(out, size, "%s", text);
}

static int runCommand(const ZelmoCommand* c, char* out, uint32_t size) {
    /* Exactly an option and two names: a name that looks like an option is not taken. */
    if (c->count != 3 || !zelmo_command_is_option(c, 0) || zelmo_command_is_option(c, 1) ||
        zelmo_command_is_option(c, 2) || c->args[1][0] == '\0' || c->args[2][0] == '\0') {
        say(out, size, "bad command\n");
        return UNZIP_BAD_COMMAND;
    }
    const char* archivePath = c->args[1];
    if (strcmp(c->args[0], "-x") == 0) {
        /* The folder comes with a separator after it, "\" as the program writes it or "/";
         * only that last byte is one: elsewhere a backslash is part of a Linux name. */
        char* folder = c->args[2];
        size_t len = strlen(folder);
        if (len > 1 && folder[len - 1] == '\\')
            folder[len - 1] = '\0';
        return zelmo_extract_all(archivePath, ZELMO_ARCHIVE_ZIP, folder, 0, NULL, out,
                                 out ? size : 0);
    }
    if (strcmp(c->args[0], "-p") == 0) {
        if (!out || size == 0)
            return UNZIP_BAD_COMMAND;
        uint32_t written = 0;
        /* One byte stays for the NUL. */
        int r = zelmo_extract_member(archivePath, ZELMO_ARCHIVE_ZIP, c->args[2],
                                     (unsigned char*)out, size - 1, &written, NULL, NULL);
        out[written < size ? written : size - 1] = '\0';
        return r;
    }
    say(out, size, "bad command\n");
    return UNZIP_BAD_COMMAND;
}

EXPORT int UnZip(void* owner, const char* command, char* out, uint32_t size) {
    (void)owner;
    ZelmoCommand parsed;
    if (zelmo_command_parse(command, &parsed) != 0) {
        say(out, size, "bad command\n");
        return UNZIP_BAD_COMMAND;
    }
    atomic_fetch_add(&gRunning, 1);
    int r = runCommand(&parsed, out, size);
    atomic_fetch_sub(&gRunning, 1);
    zelmo_command_free(&parsed);
    return r;
}
