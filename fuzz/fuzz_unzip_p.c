/* libFuzzer target: one member into memory from fuzzed archive bytes, through the shared
 * member extraction on a reader in memory and through libunzip32's "-p" on a file.
 * Input: byte 0 picks the reader (odd: LZH, even: ZIP), byte 1 the buffer size, the rest
 * is the archive. Buffers are allocated to their exact size, so a write past one is an
 * AddressSanitizer finding. */
#define _GNU_SOURCE
#include "base/CommandLine.h"
#include "outside/archive/ArchiveExtract.h"
#include "outside/archive/Unzip32.h"

#include <archive.h>
#include <archive_entry.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

enum { MAX_NAMES = 4 };

static void readEach(const uint8_t* data, size_t size, enum ZelmoArchiveKind kind, char** names,
                     int count, uint32_t room) {
    for (int i = 0; i < count; ++i) {
        struct archive* a = zelmo_archive_open_memory(data, size, kind);
        if (!a)
            return;
        unsigned char* buffer = malloc(room ? room : 1);
        uint32_t written = 0;
        zelmo_read_member(a, names[i], buffer, room, &written, NULL, NULL);
        if (written > room)
            abort();
        free(buffer);
        void* previous = zelmo_utf8_locale_enter();
        archive_read_free(a);
        zelmo_utf8_locale_leave(previous);
    }
}

/* The library's command on the bytes as a file: "-p" "<file>" "<name>". */
static void printThroughLibrary(const uint8_t* data, size_t size, const char* name, uint32_t room) {
    int fd = memfd_create("fuzz-archive", MFD_CLOEXEC);
    if (fd < 0)
        return;
    if (write(fd, data, size) == (ssize_t)size) {
        char path[64];
        snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        size_t nameLen = strlen(name);
        size_t cap = 8 + zelmo_command_quote(path, strlen(path), NULL, 0) +
                     zelmo_command_quote(name, nameLen, NULL, 0);
        char* command = malloc(cap);
        size_t n = (size_t)snprintf(command, cap, "-p ");
        n += zelmo_command_quote(path, strlen(path), command + n, cap - n);
        command[n++] = ' ';
        zelmo_command_quote(name, nameLen, command + n, cap - n);
        char* out = malloc(room ? room : 1);
        UnZip(NULL, command, out, room);
        if (room > 0 && strnlen(out, room) == room)
            abort(); /* the output must be terminated inside the buffer */
        free(out);
        free(command);
    }
    close(fd);
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    enum ZelmoArchiveKind kind = (data[0] & 1) ? ZELMO_ARCHIVE_LZH : ZELMO_ARCHIVE_ZIP;
    uint32_t room = (uint32_t)data[1] * 16;
    data += 2;
    size -= 2;

    char* names[MAX_NAMES];
    int count = 0;
    void* previous = zelmo_utf8_locale_enter();
    struct archive* a = zelmo_archive_open_memory(data, size, kind);
    struct archive_entry* entry;
    while (a && count < MAX_NAMES) {
        int r = archive_read_next_header(a, &entry);
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
            break;
        names[count++] = strdup(zelmo_entry_name(entry));
    }
    if (a)
        archive_read_free(a);
    zelmo_utf8_locale_leave(previous);

    readEach(data, size, kind, names, count, room);
    if (kind == ZELMO_ARCHIVE_ZIP)
        printThroughLibrary(data, size, count > 0 ? names[0] : "a.txt", room);
    for (int i = 0; i < count; ++i)
        free(names[i]);
    return 0;
}
